// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>

#include <optional>

class ChannelSetup;
class PoseTimeline;
class SequenceDocument;

// One row per line of the sequence: its number, its interval, the pulse each
// channel the sequence uses holds after it (a changed cell marked), its bytes,
// its time on the wire, the time until its slowest servo arrives, and why it
// cannot keep its time. A view of the timeline's fold: rows are computed when
// shown, and the columns grow as the fold finds more channels.
//
// An interval, and a pulse the line itself sets, can be typed over: checked as
// the value boxes check them, the line with the new value is handed out
// (lineEdited) in its own format, only that number changed; a bad value is
// refused (editRefused) with the reason, and nothing changes.
class PoseTableModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Fixed { LineColumn, IntervalColumn, FirstChannelColumn };

    PoseTableModel(const SequenceDocument &document, PoseTimeline &timeline, const ChannelSetup &setup,
                   QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // The channel shown in `column`, or -1 for another column.
    int channelAt(int column) const;

Q_SIGNALS:
    void lineEdited(qsizetype line, const QString &text);
    void editRefused(const QString &reason);

private:
    // `line` with the pulse of `channel`'s last group it carries out set to
    // `pulse`; none when the line has no such group.
    std::optional<QString> withPulse(qsizetype line, int channel, int pulse) const;

    void onLinesChanged(qsizetype first, qsizetype removed, qsizetype added);
    void followChannels();

    const SequenceDocument &m_document;
    PoseTimeline &m_timeline;
    const ChannelSetup &m_setup;
    QList<int> m_channels; // in channel order
    int m_rows = 0;
};
