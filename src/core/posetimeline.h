// SPDX-License-Identifier: MIT
#pragma once

#include "core/poseline.h"
#include "shared/motion.h"

#include <QObject>

#include <optional>
#include <vector>

class QTimer;
class SequenceDocument;

// The whole sequence as the board will play it: for each line the pose before
// it, the interval in force, when it leaves, and the board's motion from the
// first line on. Views of the document (the pose table, the timeline) read it.
//
// It is folded lazily: every `chunk` lines a checkpoint keeps the state before
// that line, so a line is reached from the checkpoint before it. foldMore()
// extends the checkpoints, a slice at a time, for the figures of the whole
// sequence (its length in time, the channels it uses). The rows of the chunk
// last read are kept, computed as far as they were asked for. An edit drops
// the checkpoints and rows after it; when an edit leaves the number of lines alone and the
// fold, past the edit, reaches a state the old checkpoints had, the rest is
// taken back, shifted in time. Nothing is computed before it is asked for.
//
// A row is computed at once only within reach of the fold (a few chunks past
// its last checkpoint): a view that jumps to the end of a long sequence gets
// rows not yet known, and the fold goes on towards them a slice at a time over
// turns of the event loop; changedFrom() tells when they are known.
class PoseTimeline final : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype chunk = 256;
    // Chunks past the last checkpoint a row is computed at once, and folded in
    // one turn of the event loop towards a row asked for beyond them.
    static constexpr qsizetype reach = 8;
    // Playback sends its first line after this long, which is the first period.
    static constexpr int firstPeriod = 100;

    struct State {
        poseline::Pose pose = poseline::restPose();
        int inForce = firstPeriod; // the interval in force before the line
        qint64 startUs = 0;        // when the line leaves, from the first line's departure
        motion::MotionModel model; // the board's motion before the line
        quint32 used = 0;          // channels commanded by the lines before it
        bool flagged = false;      // some line before it, in its chunk, cannot keep its time
    };
    // A command as the board takes it: its groups and T, once its CR is in
    // (µs, as startUs).
    struct Taken {
        QList<motion::Target> targets;
        std::optional<int> timeMs;
        qint64 atUs = 0;
    };
    struct Row {
        State before;
        poseline::LineMove move;
        poseline::Figures figures;
        motion::MotionModel after; // the motion once the line has been taken
        bool known = false;        // false: no such line, or the fold has not reached it yet
        // An eased line's commands that go out, in order: the board's way along
        // its curves is before.model with those in by then. Empty for a line
        // that goes out as written.
        QList<Taken> steps;
    };

    explicit PoseTimeline(const SequenceDocument &document, QObject *parent = nullptr);

    // The line's wire speed (bytes/s); a change refolds.
    void setLine(double bytesPerSecond);
    double bytesPerSecond() const { return m_bytesPerSecond; }
    // The channels' limits every pulse is held to (`setup` outlives the
    // timeline; read afresh at each refold), the playback speed, and how the
    // channels are eased; each call refolds.
    void setLimits(const ChannelSetup &setup);
    void setSpeed(double speed);
    void setEasing(const poseline::Easing &easing);
    const poseline::Playing &playing() const { return m_playing; }

    // The lines of the sequence (SequenceDocument::sequenceLineCount); a row
    // past them is empty, and so is one beyond the reach of the fold until
    // the fold gets there (see above).
    qsizetype lineCount() const;
    const Row &row(qsizetype line);

    // Folds up to `lines` more lines; true when the whole sequence is folded.
    bool foldMore(qsizetype lines);
    bool folded() const;
    // Channels the folded lines command, bit k for channel k.
    quint32 usedChannels() const { return m_used; }
    // Departure of the line after the last folded one.
    qint64 foldedUs() const;
    // The last line that leaves at or before `timeUs` among the folded ones.
    qsizetype lineAt(qint64 timeUs);
    // The folded checkpoints: number `index` holds the state before line
    // index * chunk (its `flagged`: of the chunk before it). For a view that
    // shows more than a chunk in one pixel.
    qsizetype checkpointCount() const { return m_valid; }
    const State &checkpoint(qsizetype index) const { return m_checkpoints[size_t(index)]; }
    // The last folded checkpoint that leaves at or before `timeUs`.
    qsizetype checkpointIndexAt(qint64 timeUs) const;

Q_SIGNALS:
    // The figures of lines from `first` on may differ.
    void changedFrom(qsizetype first);
    // More of the sequence was folded (its length, its channels).
    void foldGrew();

private:
    // The rows of the chunks last asked for (the editor's, the table's and the
    // timeline's views read different ones), each from its start up to the
    // last row asked for: an edit keeps those before it, so that a keystroke
    // costs the rows from its line to the one shown, not the chunk.
    struct CachedChunk {
        qsizetype index = -1;
        std::vector<Row> rows;
    };
    static constexpr size_t cachedChunks = 4;

    void refold();
    void onLinesChanged(qsizetype first, qsizetype removed, qsizetype added);
    // Folds towards line m_awaited, a slice a turn, and tells when it is known.
    void foldTowardsAwaited();
    void resetFrom(qsizetype first);
    // The rows of `chunkIndex` (or of the last folded chunk before it), up to
    // `offset` at least (clamped to the chunk).
    CachedChunk &fillCache(qsizetype chunkIndex, qsizetype offset);
    // The state after `move`; `taken`, when given, gets an eased line's commands.
    State next(const State &before, const poseline::LineMove &move, poseline::Figures &figures,
               motion::MotionModel &after, QList<Taken> *taken = nullptr) const;

    const SequenceDocument &m_document;
    double m_bytesPerSecond = 11520;
    poseline::Playing m_playing;
    std::vector<State> m_checkpoints; // [0, m_valid) are right
    qsizetype m_valid = 1;
    // Old checkpoints from m_resumeFrom on may be taken back (see above); -1: none.
    qsizetype m_resumeFrom = -1;
    quint32 m_used = 0;
    std::vector<CachedChunk> m_cache; // the most recently read first
    qsizetype m_awaited = -1;         // the first row asked for beyond reach, -1: none
    QTimer *m_towardsAwaited;
};
