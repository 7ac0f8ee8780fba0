// SPDX-License-Identifier: MIT
#include "app/gamepaddialog.h"
#include "app/translations.h"
#include "core/programsettings.h"
#include "support/testmain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <functional>

namespace {

using Edit = std::function<void(GamepadDialog &)>;
using Change = std::function<void(pad::Settings &)>;

template <typename T>
T &child(QWidget &dialog, const QString &name)
{
    T *found = dialog.findChild<T *>(name);
    if (!found)
        qFatal("no %s in the dialog", qPrintable(name));
    return *found;
}

// Chooses the item that stands for `value` (an enum's number, -1 for none).
void choose(GamepadDialog &dialog, const QString &box, int value)
{
    QComboBox &combo = child<QComboBox>(dialog, box);
    const int index = combo.findData(value);
    if (index < 0)
        qFatal("%s has no item for %d", qPrintable(box), value);
    combo.setCurrentIndex(index);
}

void click(GamepadDialog &dialog, QDialogButtonBox::StandardButton which)
{
    QPushButton *button = dialog.findChild<QDialogButtonBox *>()->button(which);
    if (!button)
        qFatal("no such button");
    QTest::mouseClick(button, Qt::LeftButton);
}

QString axisBox(const char *what, pad::Axis axis)
{
    return QLatin1String(what) + u'_' + pad::axisName(axis);
}

pad::Settings changed(const Change &change)
{
    pad::Settings settings = pad::defaults();
    change(settings);
    return settings;
}

// Settings unlike the defaults in every part.
pad::Settings unlikeTheDefaults()
{
    return changed([](pad::Settings &s) {
        s.axes[size_t(pad::Axis::LeftX)] = {arm::Joint::Gripper, false, std::nullopt, false};
        s.axes[size_t(pad::Axis::RightTrigger)] = {std::nullopt, false, pad::TipAxis::Z, true};
        s.record = pad::Button::X;
        s.stop = pad::Button::Y;
        s.switchMode = pad::Button::RightShoulder;
        s.deadZonePercent = 5;
        s.jointRate = 3000;
        s.tipRate = 20;
        s.pitchRate = 45;
    });
}

} // namespace

Q_DECLARE_METATYPE(pad::Button)

// The game pad's settings dialog, on the program's settings file in the
// test's own home.
class TestGamepadDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(programsettings::path()); }

    void opensOnWhatIsStored_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<pad::Settings>("shown");

        QTest::newRow("nothing stored: the defaults") << false << pad::defaults();
        QTest::newRow("stored") << true << unlikeTheDefaults();
    }
    void opensOnWhatIsStored()
    {
        QFETCH(bool, stored);
        QFETCH(pad::Settings, shown);
        if (stored)
            pad::write(shown, programsettings::setValue);

        GamepadDialog dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("gamepadDialog"));
        QCOMPARE(dialog.settings(), shown);
        // What the operator sees.
        for (int a = 0; a < pad::axisCount; ++a) {
            const pad::AxisBinding &binding = shown.axes[size_t(a)];
            const QCheckBox &jointReversed = child<QCheckBox>(dialog, axisBox("jointReversed", pad::Axis(a)));
            const QCheckBox &tipReversed = child<QCheckBox>(dialog, axisBox("tipReversed", pad::Axis(a)));
            QCOMPARE(child<QComboBox>(dialog, axisBox("joint", pad::Axis(a))).currentData().toInt(),
                     binding.joint ? int(*binding.joint) : -1);
            QCOMPARE(jointReversed.isChecked(), binding.jointReversed);
            QCOMPARE(jointReversed.isEnabled(), binding.joint.has_value());
            QCOMPARE(child<QComboBox>(dialog, axisBox("tip", pad::Axis(a))).currentData().toInt(),
                     binding.tip ? int(*binding.tip) : -1);
            QCOMPARE(tipReversed.isChecked(), binding.tipReversed);
            QCOMPARE(tipReversed.isEnabled(), binding.tip.has_value());
        }
        QCOMPARE(child<QComboBox>(dialog, "recordButton").currentData().toInt(), int(shown.record));
        QCOMPARE(child<QComboBox>(dialog, "stopButton").currentData().toInt(), int(shown.stop));
        QCOMPARE(child<QComboBox>(dialog, "switchModeButton").currentData().toInt(), int(shown.switchMode));
        QCOMPARE(child<QSpinBox>(dialog, "deadZone").value(), shown.deadZonePercent);
        QCOMPARE(child<QSpinBox>(dialog, "jointRate").value(), shown.jointRate);
        QCOMPARE(child<QSpinBox>(dialog, "tipRate").value(), shown.tipRate);
        QCOMPARE(child<QSpinBox>(dialog, "pitchRate").value(), shown.pitchRate);
    }

    void okStoresAndTells_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<Change>("change");

        using pad::Axis;
        QTest::newRow("nothing changed") << Edit([](GamepadDialog &) {}) << Change([](pad::Settings &) {});
        QTest::newRow("another joint") << Edit([](GamepadDialog &d) {
            choose(d, axisBox("joint", Axis::LeftX), int(arm::Joint::WristTurn));
        }) << Change([](pad::Settings &s) { s.axes[size_t(Axis::LeftX)].joint = arm::Joint::WristTurn; });
        QTest::newRow("the other way") << Edit([](GamepadDialog &d) {
            child<QCheckBox>(d, axisBox("jointReversed", Axis::LeftY)).click();
        }) << Change([](pad::Settings &s) { s.axes[size_t(Axis::LeftY)].jointReversed = false; });
        // Reversing nothing is no setting.
        QTest::newRow("no joint") << Edit([](GamepadDialog &d) { choose(d, axisBox("joint", Axis::RightTrigger), -1); })
                                  << Change([](pad::Settings &s) { s.axes[size_t(Axis::RightTrigger)] = {}; });
        QTest::newRow("a tip axis for a trigger") << Edit([](GamepadDialog &d) {
            choose(d, axisBox("tip", Axis::LeftTrigger), int(pad::TipAxis::Z));
            child<QCheckBox>(d, axisBox("tipReversed", Axis::LeftTrigger)).click();
        }) << Change([](pad::Settings &s) {
            s.axes[size_t(Axis::LeftTrigger)].tip = pad::TipAxis::Z;
            s.axes[size_t(Axis::LeftTrigger)].tipReversed = true;
        });
        QTest::newRow("record and stop swapped") << Edit([](GamepadDialog &d) {
            choose(d, "recordButton", int(pad::Button::B));
            choose(d, "stopButton", int(pad::Button::A));
        }) << Change([](pad::Settings &s) {
            s.record = pad::Button::B;
            s.stop = pad::Button::A;
        });
        QTest::newRow("dead zone and rates") << Edit([](GamepadDialog &d) {
            child<QSpinBox>(d, "deadZone").setValue(40);
            child<QSpinBox>(d, "jointRate").setValue(2500);
            child<QSpinBox>(d, "tipRate").setValue(50);
            child<QSpinBox>(d, "pitchRate").setValue(30);
        }) << Change([](pad::Settings &s) {
            s.deadZonePercent = 40;
            s.jointRate = 2500;
            s.tipRate = 50;
            s.pitchRate = 30;
        });
    }
    void okStoresAndTells()
    {
        QFETCH(Edit, edit);
        QFETCH(Change, change);

        GamepadDialog dialog;
        dialog.show();
        QSignalSpy told(&dialog, &GamepadDialog::settingsChanged);
        edit(dialog);
        click(dialog, QDialogButtonBox::Ok);

        const pad::Settings expected = changed(change);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(told.count(), 1);
        QCOMPARE(told[0][0].value<pad::Settings>(), expected);
        QCOMPARE(GamepadDialog::stored(), expected);
    }

    void refusesOneButtonForTwoActions_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<pad::Button>("button");

        const pad::Settings standard = pad::defaults();
        QTest::newRow("stop on the record button") << "stopButton" << standard.record;
        QTest::newRow("switching on the stop button") << "switchModeButton" << standard.stop;
        QTest::newRow("record on the switch button") << "recordButton" << standard.switchMode;
    }
    void refusesOneButtonForTwoActions()
    {
        QFETCH(QString, box);
        QFETCH(pad::Button, button);

        GamepadDialog dialog;
        dialog.show();
        QSignalSpy told(&dialog, &GamepadDialog::settingsChanged);
        choose(dialog, box, int(button));
        click(dialog, QDialogButtonBox::Ok);

        QVERIFY(dialog.isVisible());
        const QLabel &refusal = child<QLabel>(dialog, "refusal");
        QVERIFY(refusal.isVisible());
        QVERIFY(!refusal.text().isEmpty());
        QCOMPARE(told.count(), 0);
        QVERIFY(!QFile::exists(programsettings::path()));

        // Put right, it goes through.
        click(dialog, QDialogButtonBox::RestoreDefaults);
        click(dialog, QDialogButtonBox::Ok);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(told.count(), 1);
    }

    void theOtherButtons_data()
    {
        QTest::addColumn<QList<QDialogButtonBox::StandardButton>>("clicks");
        QTest::addColumn<pad::Settings>("shown");  // after the clicks
        QTest::addColumn<pad::Settings>("stored"); // after them
        QTest::addColumn<int>("told");

        using B = QDialogButtonBox::StandardButton;
        const pad::Settings before = unlikeTheDefaults();
        QTest::newRow("cancel keeps what was stored") << QList<B>{B::Cancel} << before << before << 0;
        QTest::newRow("defaults are shown, not stored")
            << QList<B>{B::RestoreDefaults} << pad::defaults() << before << 0;
        QTest::newRow("defaults, then OK")
            << QList<B>{B::RestoreDefaults, B::Ok} << pad::defaults() << pad::defaults() << 1;
        QTest::newRow("defaults, then cancel")
            << QList<B>{B::RestoreDefaults, B::Cancel} << pad::defaults() << before << 0;
    }
    void theOtherButtons()
    {
        QFETCH(QList<QDialogButtonBox::StandardButton>, clicks);
        QFETCH(pad::Settings, shown);
        QFETCH(pad::Settings, stored);
        QFETCH(int, told);

        pad::write(unlikeTheDefaults(), programsettings::setValue);
        GamepadDialog dialog;
        dialog.show();
        QSignalSpy tellings(&dialog, &GamepadDialog::settingsChanged);
        // An edit the clicks decide about.
        child<QSpinBox>(dialog, "deadZone").setValue(77);
        for (QDialogButtonBox::StandardButton which : clicks)
            click(dialog, which);

        if (clicks.last() == QDialogButtonBox::RestoreDefaults)
            QCOMPARE(dialog.settings(), shown);
        QCOMPARE(GamepadDialog::stored(), stored);
        QCOMPARE(tellings.count(), told);
    }

    // On a 1366×768 screen below a panel, with a title bar; every text in the
    // language installed. Last: a catalogue once installed stays for the rest
    // of the run, Chinese first.
    void fitsTheScreen_data()
    {
        QTest::addColumn<Language>("language");
        QTest::newRow("Chinese") << Language::Chinese;
        QTest::newRow("English") << Language::English;
    }
    void fitsTheScreen()
    {
        QFETCH(Language, language);
        translations::install(*QCoreApplication::instance(), language);

        GamepadDialog dialog;
        const QRect available(0, 28, 1366, 768 - 28);
        const QMargins frame(1, 24, 1, 1);
        const QSize size = dialog.sizeHint().grownBy(frame);
        QVERIFY2(size.width() <= available.width() && size.height() <= available.height(),
                 qPrintable(QStringLiteral("%1×%2").arg(size.width()).arg(size.height())));

        QStringList texts{dialog.windowTitle()};
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            texts.append(label->text());
        // Qt's own buttons speak Chinese only where Qt's catalogue is installed.
        const QDialogButtonBox *standard = dialog.findChild<QDialogButtonBox *>();
        for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
            if (button->parent() != standard)
                texts.append(button->text());
        }
        for (const QGroupBox *group : dialog.findChildren<QGroupBox *>())
            texts.append(group->title());
        for (const QSpinBox *box : dialog.findChildren<QSpinBox *>())
            texts.append(box->suffix());
        for (const QComboBox *box : dialog.findChildren<QComboBox *>()) {
            for (int i = 0; i < box->count(); ++i)
                texts.append(box->itemText(i));
        }
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        const bool chinese = language == Language::Chinese;
        for (const QString &text : std::as_const(texts)) {
            if (text.trimmed().isEmpty() || text.trimmed() == u"%")
                continue;
            QVERIFY2(text.contains(han) == chinese, qPrintable(text));
        }
    }
};

SERVO_TEST_MAIN(TestGamepadDialog)
#include "tst_gamepaddialog.moc"
