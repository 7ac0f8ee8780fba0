// SPDX-License-Identifier: MIT
#pragma once

#include "common/notifier.h"

#include <QList>

#include <functional>

// Records every message instead of showing a modal box.
class RecordingNotifier final : public Notifier
{
public:
    void show(QWidget *, const Message &message) override
    {
        shown.append(message);
        if (onShow)
            onShow(message);
    }

    bool confirm(QWidget *, const Message &message, const QString &, const QString &) override
    {
        shown.append(message);
        if (onShow)
            onShow(message);
        return confirmAnswer;
    }

    QList<Message> shown;
    bool confirmAnswer = true;
    // Runs while the "box" is up: lets a test look at the program at that moment.
    std::function<void(const Message &)> onShow;
};
