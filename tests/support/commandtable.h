// SPDX-License-Identifier: MIT
#pragma once

// Commands and what a board carries out of each: the groups (channel, pulse,
// speed; none for no limit) and the time. The console's reader and the virtual
// board's reader are each checked against every row, so the two agree.

#include "shared/motion.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace commandtable {

struct Row {
    const char *name;
    QByteArray command; // without its line end
    QList<motion::Target> targets;
    std::optional<int> timeMs;
};

inline QList<Row> rows()
{
    const std::optional<int> none;
    const std::optional<int> noTime;
    return {
        {"move command", "#5P2000S300", {{5, 2000, 300}}, noTime},
        {"no speed", "#0P1500", {{0, 1500, none}}, noTime},
        {"sequence line's groups", "#0P1500S300#5P2500S300", {{0, 1500, 300}, {5, 2500, 300}}, noTime},
        {"time for the whole move", "#1P900#2P2100T1000", {{1, 900, none}, {2, 2100, none}}, 1000},
        {"blanks between groups", "#1P900 #2P2100\t T500", {{1, 900, none}, {2, 2100, none}}, 500},
        {"range ends", "#0P500#31P2500", {{0, 500, none}, {31, 2500, none}}, noTime},
        {"S0 is no limit", "#3P1000S0", {{3, 1000, none}}, noTime},
        {"empty S is no limit", "#5P2500S", {{5, 2500, none}}, noTime},
        {"empty S before the next group", "#5P2500S#6P900S10", {{5, 2500, none}, {6, 900, 10}}, noTime},
        {"unknown channel, the rest still moves", "#32P1500#4P1600", {{4, 1600, none}}, noTime},
        {"# without a number", "#P1500", {}, noTime},
        {"pulse below range", "#1P499", {}, noTime},
        {"pulse above range", "#1P2501S100", {}, noTime},
        {"huge numbers saturate", "#99999999999999P99999999999999", {}, noTime},
        {"huge speed saturates", "#2P700S99999999999999", {{2, 700, 1'000'000'000}}, noTime},
        {"leading zeros", "#05P01500S0300", {{5, 1500, 300}}, noTime},
        {"group without P", "#5S300#6P1000", {{6, 1000, none}}, noTime},
        {"P without digits", "#5P", {}, noTime},
        {"T without digits", "#5P1000T", {{5, 1000, none}}, noTime},
        {"T0", "#5P1000T0", {{5, 1000, none}}, 0},
        {"the last T counts", "#5P1000T100#6P900T200", {{5, 1000, none}, {6, 900, none}}, 200},
        {"junk before", "hello #5P1000", {{5, 1000, none}}, noTime},
        {"lower case p", "#5p1000", {}, noTime},
        {"lower case s: no speed", "#5P1000s300", {{5, 1000, none}}, noTime},
        {"lower case t: no time", "#5P1000t300", {{5, 1000, none}}, noTime},
        {"blank inside a group", "#5 P1000", {}, noTime},
        {"NUL", QByteArray("#5P1000\0", 8), {{5, 1000, none}}, noTime},
        {"non-ASCII speed text", "#0P1500S\xCB\xD9", {{0, 1500, none}}, noTime},
    };
}

} // namespace commandtable
