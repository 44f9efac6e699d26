#ifndef UINTVALIDATOR_H
#define UINTVALIDATOR_H

#include <QValidator>

// Digits of an unsigned 32-bit register value between `bottom` and `top`. An empty text is only
// on its way (and fixed up to `bottom`); a minus sign, a non-number or a value out of the range
// is refused as typed.
class UintValidator : public QValidator
{
    Q_OBJECT
    Q_PROPERTY(uint bottom READ bottom WRITE setBottom NOTIFY bottomChanged)
    Q_PROPERTY(uint top READ top WRITE setTop NOTIFY topChanged)

public:
    explicit UintValidator(QObject *parent = nullptr);
    UintValidator(uint bottom, uint top, QObject *parent = nullptr);

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

    uint bottom() const { return m_bottom; }
    uint top() const { return m_top; }
    virtual void setRange(uint bottom, uint top);
    void setBottom(uint bottom);
    void setTop(uint top);

signals:
    void bottomChanged(uint bottom);
    void topChanged(uint top);

private:
    uint m_bottom = 0;
    uint m_top = 4294967295u;
};

#endif // UINTVALIDATOR_H
