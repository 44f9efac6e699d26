#ifndef CONSOLECOMMAND_H
#define CONSOLECOMMAND_H

#include <QString>
#include <QStringList>

// One entry of the console's command table: the command word and the words it accepts as its
// first argument (none for a command that takes no arguments).
struct ConsoleCommand
{
    QString name;
    QStringList arguments;

    bool operator==(const ConsoleCommand &other) const
    {
        return name == other.name && arguments == other.arguments;
    }
    bool operator!=(const ConsoleCommand &other) const { return !(*this == other); }
};

#endif // CONSOLECOMMAND_H
