#ifndef ZDOUBLEVALIDATOR_H
#define ZDOUBLEVALIDATOR_H

#include <QDoubleValidator>
#include <QStringList>

// A floating-point number whose integer and fraction parts may be separated by a point, a comma
// or the word "comma", whatever the locale: operators type what their keyboard layout gives them.
// The text in the editor stays as typed; numberText() is what goes to the device.
class ZDoubleValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    explicit ZDoubleValidator(QObject *parent = nullptr);

    QValidator::State validate(QString &input, int &pos) const override;

    // `input` with every separator (and the locale's own decimal point) turned into ".", the form
    // the register's value conversion reads.
    QString numberText(const QString &input) const;

private:
    QString withSeparator(QString text, const QString &point) const;

    QStringList separators;
};

#endif // ZDOUBLEVALIDATOR_H
