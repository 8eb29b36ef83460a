#pragma once

#include <QAbstractSpinBox>

namespace vq {

// A number field with up and down arrows, as the property dialogs use them.
// Typing is free (digits and commas) and changes nothing by itself; the
// dialogs read the text when they need it. An arrow step starts from the
// typed number, stays inside the range and is announced by stepped().
class NumberSpin : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit NumberSpin(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    [[nodiscard]] int minimum() const { return m_min; }
    [[nodiscard]] int maximum() const { return m_max; }
    // Shows stepped and set values with thousands commas.
    void setThousandsSeparators(bool on) { m_thousands = on; }

    // The typed number, commas removed (0 when there is none).
    [[nodiscard]] int value() const;
    void setValue(int value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    [[nodiscard]] QSize sizeHint() const override;

signals:
    void stepped(int value);

protected:
    [[nodiscard]] StepEnabled stepEnabled() const override;

private:
    int m_min = 0;
    int m_max = 99;
    bool m_thousands = false;
};

} // namespace vq
