#ifndef ZFASTLOADEREXCEPTION_H
#define ZFASTLOADEREXCEPTION_H

#include <QString>
#include <stdexcept>

// A defect of the register database; what() is the UTF-8 form of the translated message.
class ZFastLoaderException : public std::runtime_error
{
public:
    explicit ZFastLoaderException(const QString &message)
        : std::runtime_error(message.toUtf8().toStdString())
    {
    }
};

#endif // ZFASTLOADEREXCEPTION_H
