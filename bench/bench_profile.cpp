// SPDX-License-Identifier: MIT
// Reading an arm profile as large as the program reads (1 MB), as start-up
// does: the file read and checked (duplicate keys included), its problems put
// in words, and the message box laid out. The reference, in the same run, is
// QJsonDocument::fromJson of the same bytes, the least any reading costs. The
// budget: well under a second from the file to the box.

#include "benchutil.h"

#include "app/profileui.h"
#include "shared/armprofile.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

constexpr int runs = 15;

// `piece(n)` repeated between `open` and `close` while the whole stays within
// the size the program reads.
template <typename Piece>
QByteArray filled(const QByteArray &open, Piece piece, const QByteArray &close)
{
    QByteArray bytes = open;
    for (int n = 0;; ++n) {
        const QByteArray next = piece(n);
        if (bytes.size() + next.size() + 1 + close.size() > armprofile::sizeLimit)
            break;
        bytes += (n ? "," : "") + next;
    }
    return bytes + close;
}

void measure(const char *title, const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();

    bench::heading(title);
    armprofile::Reading reading;
    QList<double> reads, references, words, boxes;
    for (int run = 0; run < runs; ++run) {
        reads.append(bench::timeOnce([&] { reading = armprofile::read(path); }) / 1e6);
        references.append(bench::timeOnce([&] { (void)QJsonDocument::fromJson(bytes); }) / 1e6);
        std::optional<Message> message;
        words.append(bench::timeOnce([&] { message = profileui::problemsMessage(path, reading.problems); }) / 1e6);
        boxes.append(bench::timeOnce([&] {
                         QMessageBox box(QMessageBox::Warning, message->title, message->text, QMessageBox::Ok);
                         (void)box.sizeHint();
                     })
                     / 1e6);
    }
    bench::figure(QStringLiteral("bytes"), double(bytes.size()), "B");
    bench::figure(QStringLiteral("problems found"), double(reading.problems.size()), "");
    bench::spread(QStringLiteral("armprofile::read: the file read and checked"), reads, "ms");
    bench::spread(QStringLiteral("reference: QJsonDocument::fromJson of the same bytes"), references, "ms");
    bench::spread(QStringLiteral("profileui::problemsMessage: the problems in words"), words, "ms");
    bench::spread(QStringLiteral("the message box laid out (QMessageBox::sizeHint)"), boxes, "ms");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("arm.json"));

    measure("unknown keys up to 1 MB, min / median / max of 15",
            filled(
                "{", [](int n) { return "\"k" + QByteArray::number(n) + "\":0"; }, "}"),
            path);
    measure("channel 5 given over and over, min / median / max of 15",
            filled(R"({"channels": {)",
                   [](int) { return QByteArray(R"("5": {"name": "底座", "min": 900, "max": 2100, "home": 1500})"); },
                   "}}"),
            path);
    measure(
        "a sound profile with names of 30,000 characters, min / median / max of 15",
        [] {
            QByteArray channels;
            for (int k = 0; k < 32; ++k)
                channels += QByteArray(k ? "," : "") + "\"" + QByteArray::number(k) + R"(": {"name": ")"
                            + QByteArray(30000, 'n') + R"(", "min": 900, "max": 2100})";
            return R"({"version": 1, "channels": {)" + channels + "}}";
        }(),
        path);
    bench::note("budget: well under a second from the file to the box");
    return 0;
}
