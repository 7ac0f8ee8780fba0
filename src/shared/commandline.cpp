// SPDX-License-Identifier: MIT
#include "commandline.h"

#include <QCommandLineParser>
#include <QStringList>

bool commandline::asksOnlyForText(int argc, char *argv[], const Options &options)
{
    QCommandLineParser parser;
    options(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return parser.parse(arguments) && (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")));
}
