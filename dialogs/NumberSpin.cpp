#include "dialogs/NumberSpin.h"

#include "edit/NodeProperties.h"
#include "base/TextUtil.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

namespace vq {

NumberSpin::NumberSpin(QWidget* parent) : QAbstractSpinBox(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValue(0);
}

void NumberSpin::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    updateGeometry();
}

int NumberSpin::value() const
{
    return ParseDialogInteger(text());
}

void NumberSpin::setValue(int value)
{
    const QString digits = QString::number(value);
    lineEdit()->setText(m_thousands && value >= 0 ? FormatThousands(digits) : digits);
}

void NumberSpin::stepBy(int steps)
{
    const long long next = static_cast<long long>(value()) + steps;
    const int clamped = static_cast<int>(std::clamp<long long>(next, m_min, m_max));
    setValue(clamped);
    selectAll();
    emit stepped(clamped);
}

QValidator::State NumberSpin::validate(QString& input, int&) const
{
    for (const QChar c : input)
        if (!c.isDigit() && c != QLatin1Char(','))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled NumberSpin::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

QSize NumberSpin::sizeHint() const
{
    ensurePolished();
    const QFontMetrics fm(font());
    const QString widest = m_thousands ? FormatThousands(QString::number(m_max)) : QString::number(m_max);
    const int textWidth = fm.horizontalAdvance(widest + QLatin1String("00"));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(textWidth, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

} // namespace vq
