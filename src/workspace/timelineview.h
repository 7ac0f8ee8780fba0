// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>

class PoseTimeline;

// Each used channel's pulse over time as the board will move it (an eased
// line along the steps that carry it), the lines as bands behind (those that
// cannot keep their time in red), the selected line, and a playhead during
// playback. The wheel zooms about the pointer; a click
// selects the line at that time. Only what is in view is drawn, one sample a
// pixel: zoomed out past a chunk of lines a pixel, from the fold's checkpoints.
class TimelineView final : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TimelineView(PoseTimeline &timeline, QWidget *parent = nullptr);

    // The line played now, -1 for none.
    void setPlayhead(qsizetype line);
    void setSelectedLine(qsizetype line);
    qint64 usPerPixel() const { return m_usPerPixel; }
    // The line at x position `x` of the viewport.
    qsizetype lineAtX(int x);
    // Where `pulse` is drawn, in the viewport; the colour of channel `channel`.
    double yOf(double pulse) const;
    static QColor channelColour(int channel);

    // Where labels `height` high go, each as near its wanted top edge as lets
    // none overlap another, all within [top, bottom]; in the order given.
    static QList<double> spreadLabels(const QList<double> &wanted, double height, double top, double bottom);

Q_SIGNALS:
    void lineClicked(qsizetype line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void followLength();
    // The picture of bands and channels is drawn afresh at the next paint.
    void redrawAll();
    QRect playheadStrip() const;
    // The band of `line`, empty when lines are too narrow to be told apart.
    QRect band(qsizetype line) const;
    bool linesApart() const;
    qint64 startUs() const;
    int xOf(qint64 timeUs) const;
    // The time a line takes, on average.
    double averageLineUs() const;
    void drawBands(QPainter &painter, qint64 fromUs, qint64 toUs);
    void drawChannels(QPainter &painter, qint64 fromUs);

    PoseTimeline &m_timeline;
    qint64 m_usPerPixel = 20'000;
    qsizetype m_playhead = -1;
    qsizetype m_selected = -1;
    // Bands and channels as last drawn; the selection and the playhead go on top.
    QPixmap m_picture;
    bool m_pictureValid = false;
};
