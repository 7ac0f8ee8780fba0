// SPDX-License-Identifier: MIT
#include "timelineview.h"

#include "core/posetimeline.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

// The scroll bar counts milliseconds.
constexpr qint64 usPerStep = 1000;
constexpr qint64 leastUsPerPixel = 100;
constexpr qint64 mostUsPerPixel = 10'000'000'000;
constexpr int margin = 6;
// Below this many pixels a line, its band is not drawn on its own.
constexpr qint64 leastBandPixels = 3;

} // namespace

QColor TimelineView::channelColour(int channel)
{
    return QColor::fromHsv((channel * 67) % 360, 220, 190);
}

double TimelineView::yOf(double pulse) const
{
    const int height = viewport()->height();
    return margin + (motion::maxPulse - pulse) * (height - 2 * margin) / (motion::maxPulse - motion::minPulse);
}

TimelineView::TimelineView(PoseTimeline &timeline, QWidget *parent) : QAbstractScrollArea(parent), m_timeline(timeline)
{
    setObjectName(QStringLiteral("timeline"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMinimumHeight(160);
    connect(&timeline, &PoseTimeline::foldGrew, this, &TimelineView::followLength);
    connect(&timeline, &PoseTimeline::changedFrom, this, &TimelineView::redrawAll);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TimelineView::redrawAll);
    followLength();
}

void TimelineView::setPlayhead(qsizetype line)
{
    // Playback moves it with every line: only the strips it leaves and enters
    // are drawn again, over the picture of the rest.
    viewport()->update(playheadStrip());
    m_playhead = line;
    if (line >= 0) {
        // Keeps the playhead in view.
        const int x = xOf(m_timeline.row(line).before.startUs);
        if (x < 0 || x > viewport()->width())
            horizontalScrollBar()->setValue(int(m_timeline.row(line).before.startUs / usPerStep));
    }
    viewport()->update(playheadStrip());
}

void TimelineView::setSelectedLine(qsizetype line)
{
    if (line == m_selected)
        return;
    viewport()->update(band(m_selected));
    m_selected = line;
    viewport()->update(band(m_selected));
}

void TimelineView::redrawAll()
{
    m_pictureValid = false;
    viewport()->update();
}

QRect TimelineView::playheadStrip() const
{
    if (m_playhead < 0 || m_playhead >= m_timeline.lineCount())
        return {};
    const int x = xOf(m_timeline.row(m_playhead).before.startUs);
    return QRect(x - 2, 0, 5, viewport()->height());
}

bool TimelineView::linesApart() const
{
    return averageLineUs() >= double(leastBandPixels * m_usPerPixel);
}

QRect TimelineView::band(qsizetype line) const
{
    if (line < 0 || line >= m_timeline.lineCount() || !linesApart())
        return {};
    const PoseTimeline::Row &row = m_timeline.row(line);
    if (!row.known)
        return {};
    const qint64 start = row.before.startUs;
    const qint64 end = start + std::max(row.figures.interval, 1) * qint64(1000);
    return QRect(QPoint(xOf(start), 0), QPoint(xOf(end), viewport()->height()));
}

qint64 TimelineView::startUs() const
{
    return qint64(horizontalScrollBar()->value()) * usPerStep;
}

int TimelineView::xOf(qint64 timeUs) const
{
    return int(std::clamp<qint64>((timeUs - startUs()) / m_usPerPixel, -1, 1'000'000));
}

qsizetype TimelineView::lineAtX(int x)
{
    return m_timeline.lineAt(startUs() + qint64(x) * m_usPerPixel);
}

void TimelineView::followLength()
{
    const qint64 shownUs = qint64(viewport()->width()) * m_usPerPixel;
    const qint64 rest = std::max<qint64>(m_timeline.foldedUs() - shownUs / 2, 0);
    horizontalScrollBar()->setRange(0, int(std::min<qint64>(rest / usPerStep, INT_MAX)));
    horizontalScrollBar()->setPageStep(int(std::clamp<qint64>(shownUs / usPerStep, 1, INT_MAX)));
    redrawAll();
}

void TimelineView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    followLength();
}

void TimelineView::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const qint64 x = qint64(event->position().x());
    const qint64 pointUs = startUs() + x * m_usPerPixel;
    for (int i = 0; i < std::abs(steps); ++i)
        m_usPerPixel = steps > 0 ? m_usPerPixel * 4 / 5 : m_usPerPixel * 5 / 4 + 1;
    m_usPerPixel = std::clamp(m_usPerPixel, leastUsPerPixel, mostUsPerPixel);
    followLength();
    // The time under the pointer stays under it.
    horizontalScrollBar()->setValue(int(std::max<qint64>(pointUs - x * m_usPerPixel, 0) / usPerStep));
    event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_timeline.lineCount() > 0)
        Q_EMIT lineClicked(lineAtX(int(event->position().x())));
}

void TimelineView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::StyleChange)
        redrawAll();
}

void TimelineView::paintEvent(QPaintEvent *)
{
    const qreal ratio = viewport()->devicePixelRatioF();
    if (!m_pictureValid || m_picture.size() != viewport()->size() * ratio) {
        m_picture = QPixmap(viewport()->size() * ratio);
        m_picture.setDevicePixelRatio(ratio);
        QPainter picture(&m_picture);
        picture.fillRect(viewport()->rect(), Qt::white);
        const qint64 fromUs = startUs();
        const qint64 toUs = fromUs + qint64(viewport()->width()) * m_usPerPixel;
        drawBands(picture, fromUs, toUs);
        drawChannels(picture, fromUs);
        m_pictureValid = true;
    }
    QPainter painter(viewport());
    painter.drawPixmap(0, 0, m_picture);
    // The selected line's band, darkened over the picture.
    painter.fillRect(band(m_selected), QColor(0, 0, 0, 28));
    if (m_playhead >= 0) {
        const int x = xOf(m_timeline.row(m_playhead).before.startUs);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawLine(x, 0, x, viewport()->height());
    }
}

double TimelineView::averageLineUs() const
{
    // Measured on the first chunk, once folded; a sequence shorter than a chunk
    // ends before the chunk does.
    const qsizetype lines = std::min(PoseTimeline::chunk, m_timeline.lineCount());
    return m_timeline.checkpointCount() > 1 && lines > 0 ? double(m_timeline.checkpoint(1).startUs) / double(lines)
                                                         : 1e12;
}

void TimelineView::drawBands(QPainter &painter, qint64 fromUs, qint64 toUs)
{
    const int height = viewport()->height();
    if (!linesApart()) {
        // Lines too narrow to tell apart: a chunk with a line that cannot keep
        // its time is shaded red.
        for (qsizetype index = m_timeline.checkpointIndexAt(fromUs); index + 1 < m_timeline.checkpointCount();
             ++index) {
            const PoseTimeline::State &from = m_timeline.checkpoint(index);
            if (from.startUs > toUs)
                break;
            const PoseTimeline::State &to = m_timeline.checkpoint(index + 1);
            if (to.flagged)
                painter.fillRect(QRect(QPoint(xOf(from.startUs), 0),
                                       QPoint(std::max(xOf(to.startUs), xOf(from.startUs) + 1), height)),
                                 QColor(255, 190, 190));
        }
        return;
    }
    for (qsizetype line = m_timeline.lineAt(fromUs); line < m_timeline.lineCount(); ++line) {
        const PoseTimeline::Row &row = m_timeline.row(line);
        const qint64 start = row.before.startUs;
        if (start > toUs)
            break;
        const qint64 end = start + std::max(row.figures.interval, 1) * qint64(1000);
        QColor colour = line % 2 ? QColor(244, 244, 250) : QColor(232, 232, 242);
        if (row.figures.problem != poseline::Figures::Problem::None)
            colour = QColor(255, 190, 190);
        painter.fillRect(QRect(QPoint(xOf(start), 0), QPoint(xOf(end), height)), colour);
    }
}

QList<double> TimelineView::spreadLabels(const QList<double> &wanted, double height, double top, double bottom)
{
    QList<qsizetype> order(wanted.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&wanted](qsizetype a, qsizetype b) { return wanted[a] < wanted[b]; });
    QList<double> placed(wanted.size());
    // Downwards, each below the one above it; then back up from the bottom edge.
    double next = top;
    for (const qsizetype at : order) {
        placed[at] = std::max(wanted[at], next);
        next = placed[at] + height;
    }
    double last = bottom;
    for (auto at = order.rbegin(); at != order.rend(); ++at) {
        placed[*at] = std::max(std::min(placed[*at], last - height), top);
        last = placed[*at];
    }
    return placed;
}

void TimelineView::drawChannels(QPainter &painter, qint64 fromUs)
{
    const int width = viewport()->width();
    const int height = viewport()->height();
    const quint32 used = m_timeline.usedChannels();
    std::array<QPainterPath, motion::channelCount> paths;
    const bool coarse = averageLineUs() * PoseTimeline::chunk < double(m_usPerPixel);
    // An eased line's board, its steps taken in as the pixels reach them.
    qsizetype easedLine = -1;
    motion::MotionModel eased;
    qsizetype taken = 0;
    for (int x = 0; x < width; ++x) {
        const qint64 t = fromUs + qint64(x) * m_usPerPixel;
        if (t > m_timeline.foldedUs() && m_timeline.folded())
            break;
        const motion::MotionModel *model = nullptr;
        if (coarse) {
            model = &m_timeline.checkpoint(m_timeline.checkpointIndexAt(t)).model;
        } else {
            const qsizetype line = m_timeline.lineAt(t);
            const PoseTimeline::Row &row = m_timeline.row(line);
            model = &row.after;
            if (!row.steps.isEmpty()) {
                if (line != easedLine) {
                    easedLine = line;
                    eased = row.before.model;
                    taken = 0;
                }
                for (; taken < row.steps.size() && row.steps[taken].atUs <= t; ++taken)
                    eased.apply(row.steps[taken].targets, row.steps[taken].timeMs, row.steps[taken].atUs);
                model = &eased;
            }
        }
        for (int channel = 0; channel < motion::channelCount; ++channel) {
            if (!(used >> channel & 1u))
                continue;
            const QPointF point(x, yOf(model->position(channel, t)));
            if (paths[size_t(channel)].elementCount() == 0)
                paths[size_t(channel)].moveTo(point);
            else
                paths[size_t(channel)].lineTo(point);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QList<int> labelled;
    QList<double> wanted;
    for (int channel = 0; channel < motion::channelCount; ++channel) {
        if (paths[size_t(channel)].elementCount() == 0)
            continue;
        painter.setPen(QPen(channelColour(channel), 1.5));
        painter.drawPath(paths[size_t(channel)]);
        labelled.append(channel);
        wanted.append(paths[size_t(channel)].elementAt(0).y - fontMetrics().height() / 2.0);
    }
    // Channels at the same pulse are labelled one under the other, on white.
    const double labelHeight = fontMetrics().height();
    const QList<double> tops = spreadLabels(wanted, labelHeight, 0, height);
    for (qsizetype at = 0; at < labelled.size(); ++at) {
        const QString label = QStringLiteral("#%1").arg(labelled[at]);
        const QRectF box(2, tops[at], fontMetrics().horizontalAdvance(label) + 4, labelHeight);
        painter.fillRect(box, QColor(255, 255, 255, 220));
        painter.setPen(channelColour(labelled[at]));
        painter.drawText(box, Qt::AlignCenter, label);
    }
}
