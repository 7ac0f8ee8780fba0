// SPDX-License-Identifier: MIT
#include "posetablemodel.h"

#include "core/lineformat.h"
#include "core/numbers.h"
#include "core/posetimeline.h"
#include "core/sequencedocument.h"
#include "shared/channelsetup.h"
#include "shared/wirecommand.h"

#include <QBrush>
#include <QColor>

namespace {

enum Trailing { Bytes, Wire, Arrival, Check, trailingCount };

} // namespace

PoseTableModel::PoseTableModel(const SequenceDocument &document, PoseTimeline &timeline, const ChannelSetup &setup,
                               QObject *parent)
    : QAbstractTableModel(parent),
      m_document(document),
      m_timeline(timeline),
      m_setup(setup),
      m_rows(int(document.sequenceLineCount()))
{
    connect(&document, &SequenceDocument::linesChanged, this, &PoseTableModel::onLinesChanged);
    connect(&timeline, &PoseTimeline::foldGrew, this, &PoseTableModel::followChannels);
    connect(&timeline, &PoseTimeline::changedFrom, this, [this](qsizetype first) {
        if (m_rows > 0 && first < m_rows)
            Q_EMIT dataChanged(index(int(first), 0), index(m_rows - 1, columnCount() - 1));
    });
    followChannels();
}

int PoseTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int PoseTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(FirstChannelColumn + m_channels.size() + trailingCount);
}

int PoseTableModel::channelAt(int column) const
{
    const int at = column - FirstChannelColumn;
    return at >= 0 && at < m_channels.size() ? m_channels[at] : -1;
}

QVariant PoseTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == LineColumn)
        return tr("行");
    if (section == IntervalColumn)
        return tr("间隔 (ms)");
    if (const int channel = channelAt(section); channel >= 0) {
        const QString name = m_setup.channel(channel).name;
        return name.isEmpty() ? QStringLiteral("#%1").arg(channel) : name;
    }
    switch (section - FirstChannelColumn - int(m_channels.size())) {
    case Bytes:
        return tr("字节");
    case Wire:
        return tr("线路");
    case Arrival:
        return tr("到位");
    case Check:
        return tr("检查");
    }
    return {};
}

Qt::ItemFlags PoseTableModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == IntervalColumn || channelAt(index.column()) >= 0)
        return flags | Qt::ItemIsEditable;
    return flags;
}

bool PoseTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const qsizetype line = index.row();
    const std::optional<qint16> typed = numbers::strictInt16(value.toString().trimmed());
    if (index.column() == IntervalColumn) {
        if (!typed || *typed < poseline::leastInterval || *typed > poseline::mostInterval) {
            Q_EMIT editRefused(
                tr("间隔须是 %1 到 %2 之间的整数 (ms)。").arg(poseline::leastInterval).arg(poseline::mostInterval));
            return false;
        }
        Q_EMIT lineEdited(line, poseline::withInterval(m_document.lineText(line), *typed));
        return true;
    }
    const int channel = channelAt(index.column());
    if (channel < 0)
        return false;
    if (!typed || !m_setup.accepts(channel, *typed)) {
        const ChannelSetup::Channel &range = m_setup.channel(channel);
        Q_EMIT editRefused(tr("%1 的脉宽须在 %2 到 %3 µs 之间。")
                               .arg(m_setup.describe(channel))
                               .arg(range.minimumPulse)
                               .arg(range.maximumPulse));
        return false;
    }
    const std::optional<QString> edited = withPulse(line, channel, *typed);
    if (!edited) {
        Q_EMIT editRefused(tr("这一行没有 %1 的指令：它的值是从前面的行保持下来的。").arg(m_setup.describe(channel)));
        return false;
    }
    Q_EMIT lineEdited(line, *edited);
    return true;
}

std::optional<QString> PoseTableModel::withPulse(qsizetype line, int channel, int pulse) const
{
    QString text = m_document.lineText(line);
    if (text.size() < lineformat::commandStart)
        return std::nullopt;
    const wirecommand::Command command = wirecommand::read(QStringView(text).mid(lineformat::commandStart));
    for (auto group = command.groups.crbegin(); group != command.groups.crend(); ++group) {
        if (group->channel == channel && group->carriedOut()) {
            text.replace(lineformat::commandStart + group->pulseDigits.at, group->pulseDigits.count,
                         QString::number(pulse));
            return text;
        }
    }
    return std::nullopt;
}

QVariant PoseTableModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && role == Qt::EditRole) // as text: whatever is typed is checked, and answered
        return data(index, Qt::DisplayRole).toString();
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::ToolTipRole))
        return {};
    const int column = index.column();
    if (column == LineColumn)
        return role == Qt::DisplayRole ? QVariant(index.row() + 1) : QVariant();
    const PoseTimeline::Row &row = m_timeline.row(index.row());
    if (!row.known) // not folded yet: changedFrom() brings it
        return role == Qt::DisplayRole ? QVariant(QStringLiteral("…")) : QVariant();
    const bool problem = row.figures.problem != poseline::Figures::Problem::None;
    if (role == Qt::ToolTipRole)
        return problem ? QVariant(poseline::describe(row.figures)) : QVariant();
    if (column == IntervalColumn) {
        if (role == Qt::BackgroundRole)
            return {};
        return row.move.sent ? QVariant(row.figures.interval) : QVariant();
    }
    if (const int channel = channelAt(column); channel >= 0) {
        const int before = row.before.pose[size_t(channel)];
        const int after = poseline::apply(row.before.pose, row.move)[size_t(channel)];
        if (role == Qt::BackgroundRole)
            return after != before ? QVariant(QBrush(QColor(255, 236, 160))) : QVariant();
        return after;
    }
    if (role == Qt::BackgroundRole)
        return problem && column == columnCount() - 1 ? QVariant(QBrush(QColor(255, 214, 214))) : QVariant();
    switch (column - FirstChannelColumn - int(m_channels.size())) {
    case Bytes:
        return qlonglong(row.figures.bytes);
    case Wire:
        return row.figures.wireMs;
    case Arrival:
        return row.figures.arrivalMs;
    case Check:
        return poseline::describe(row.figures);
    }
    return {};
}

void PoseTableModel::onLinesChanged(qsizetype first, qsizetype removed, qsizetype added)
{
    // The document's lines, not the rows: the empty line after a final line
    // break has none. Lines after the change keep theirs, so the rows differ by
    // as many as the lines, at the change.
    const int rows = int(m_document.sequenceLineCount());
    const int at = int(std::min(first + std::min(removed, added), qsizetype(std::min(m_rows, rows))));
    if (rows > m_rows) {
        beginInsertRows({}, at, at + rows - m_rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, at, at + m_rows - rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
}

void PoseTableModel::followChannels()
{
    // Channels found by the fold join the table; once the whole sequence is
    // folded, channels no line uses any more leave it.
    const quint32 used = m_timeline.usedChannels();
    QList<int> channels;
    for (int channel = 0; channel < motion::channelCount; ++channel) {
        if ((used >> channel & 1u) || (!m_timeline.folded() && m_channels.contains(channel)))
            channels.append(channel);
    }
    // Column by column, so that the view keeps its place and selection.
    for (int at = int(m_channels.size()) - 1; at >= 0; --at) {
        if (channels.contains(m_channels[at]))
            continue;
        beginRemoveColumns({}, FirstChannelColumn + at, FirstChannelColumn + at);
        m_channels.remove(at);
        endRemoveColumns();
    }
    for (int at = 0; at < channels.size(); ++at) {
        if (at < m_channels.size() && m_channels[at] == channels[at])
            continue;
        beginInsertColumns({}, FirstChannelColumn + at, FirstChannelColumn + at);
        m_channels.insert(at, channels[at]);
        endInsertColumns();
    }
}
