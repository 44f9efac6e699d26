#include "zdoublevalidator.h"

ZDoubleValidator::ZDoubleValidator(QObject *parent)
    : QDoubleValidator(parent),
      separators{QStringLiteral("."), QStringLiteral(","), QStringLiteral("comma")}
{
}

QValidator::State ZDoubleValidator::validate(QString &input, int &pos) const
{
    QString copy = withSeparator(input, QString(locale().decimalPoint()));
    return QDoubleValidator::validate(copy, pos);
}

QString ZDoubleValidator::numberText(const QString &input) const
{
    QString text = withSeparator(input, QStringLiteral("."));
    return text.replace(locale().decimalPoint(), QLatin1Char('.'));
}

QString ZDoubleValidator::withSeparator(QString text, const QString &point) const
{
    for (const QString &separator : separators)
        text.replace(separator, point);
    return text;
}
