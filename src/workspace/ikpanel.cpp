// SPDX-License-Identifier: MIT
#include "ikpanel.h"

#include "armview.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace workspace {

namespace {

QDoubleSpinBox *field(const char *objectName, double bound, const QString &suffix)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(objectName));
    box->setRange(-bound, bound);
    box->setDecimals(1);
    box->setSuffix(suffix);
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

IkPanel::IkPanel(ArmView &view, QWidget *parent)
    : QWidget(parent),
      m_view(view),
      m_x(field("ikX", 9999, QStringLiteral(" mm"))),
      m_y(field("ikY", 9999, QStringLiteral(" mm"))),
      m_z(field("ikZ", 9999, QStringLiteral(" mm"))),
      m_pitch(field("ikPitch", 180, QStringLiteral("°"))),
      m_answer(new QLabel)
{
    // Two rows of two fields, so that the panel is no wider than the arm view
    // and leaves the workspace's width to the pose table.
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const std::pair<QString, QDoubleSpinBox *> fields[] = {
        {QStringLiteral("X"), m_x}, {QStringLiteral("Y"), m_y}, {QStringLiteral("Z"), m_z}, {tr("俯仰"), m_pitch}};
    int place = 0;
    for (const auto &[caption, box] : fields) {
        auto *label = new QLabel(caption);
        label->setBuddy(box);
        layout->addWidget(label, place / 2, 2 * (place % 2));
        layout->addWidget(box, place / 2, 2 * (place % 2) + 1);
        ++place;
    }
    auto *apply = new QPushButton(tr("到达"));
    apply->setObjectName(QStringLiteral("ikApply"));
    layout->addWidget(apply, 0, 4, 2, 1);
    m_answer->setObjectName(QStringLiteral("ikAnswer"));
    m_answer->setWordWrap(true);
    m_answer->setStyleSheet(QStringLiteral("color: #cc0000"));
    m_answer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_answer->hide();
    // Under the fields: the answer is a sentence or two, wider than they are.
    layout->addWidget(m_answer, 2, 0, 1, 6);
    layout->setColumnStretch(5, 1);

    const auto go = [this] { m_view.reach(typedTip()); };
    connect(apply, &QPushButton::clicked, this, go);
    for (const auto &[caption, box] : fields) {
        // The spin box takes the typed value before its line says Enter.
        connect(box->findChild<QLineEdit *>(), &QLineEdit::returnPressed, this, go);
    }
    connect(&m_view, &ArmView::targetTipChanged, this, &IkPanel::showTip);
    connect(&m_view, &ArmView::targetTipChanged, this, [this] { showAnswer({}); });
    showTip(m_view.targetTip());
}

void IkPanel::showTip(const kinematics::Tip &tip)
{
    m_x->setValue(tip.x);
    m_y->setValue(tip.y);
    m_z->setValue(tip.z);
    m_pitch->setValue(tip.pitch);
}

void IkPanel::showAnswer(const QString &answer)
{
    m_answer->setText(answer);
    m_answer->setVisible(!answer.isEmpty());
}

kinematics::Tip IkPanel::typedTip() const
{
    return {m_x->value(), m_y->value(), m_z->value(), m_pitch->value()};
}

} // namespace workspace
