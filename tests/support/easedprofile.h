// SPDX-License-Identifier: MIT
#pragma once

#include "shared/easing.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <map>

namespace testsupport {

// An arm.json that eases `channels` along `curve` (and holds `limits`: channel
// → "min": ..., as JSON members), with the sequence's step of 20 ms.
inline QByteArray easedProfile(const QList<int> &channels, easing::Curve curve,
                               const std::map<int, QByteArray> &limits = {})
{
    QByteArrayList members;
    for (const int channel : channels) {
        QByteArray member = "\"easing\": \"" + easing::name(curve).toLatin1() + '"';
        if (const auto held = limits.find(channel); held != limits.end())
            member += ", " + held->second;
        members.append('"' + QByteArray::number(channel) + "\": {" + member + '}');
    }
    return R"({"version": 1, "motion": {"stepMs": 20}, "channels": {)" + members.join(", ") + "}}";
}

} // namespace testsupport
