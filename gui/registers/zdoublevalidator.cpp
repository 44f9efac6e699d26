#include "zdoublevalidator.h"

ZDoubleValidator::ZDoubleValidator(QObject *parent)
    : QDoubleValidator(parent),
      separators{QStringLiteral("."), QStringLiteral(","), QStringLiteral("comma")}
{
}

QValidator::State ZDoubleValidator::validate(QString &input, int &pos) const
{
    QString copy = withSeparator(input, QString(locale().decimalPoint()));
    const State state = QDoubleValidator::validate(copy, pos);
    if (state != Invalid)
        return state;
    // A word separator arrives one letter at a time: "1c", "1co" ... are on their way to "1comma".
    for (const QString &separator : separators) {
        for (int letters = separator.size() - 1; letters > 0; --letters) {
            if (copy.endsWith(separator.leftRef(letters))) {
                QString head = copy.left(copy.size() - letters);
                int headPos = head.size();
                if (head.isEmpty() || QDoubleValidator::validate(head, headPos) != Invalid)
                    return Intermediate;
            }
        }
    }
    return Invalid;
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
