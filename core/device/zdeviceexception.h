#ifndef ZDEVICEEXCEPTION_H
#define ZDEVICEEXCEPTION_H

#include <QString>
#include <stdexcept>

// A defect of the device's object graph found while it is being put together (a second
// connection or protocol handler); what() is the UTF-8 form of the translated message.
class ZDeviceException : public std::runtime_error
{
public:
    explicit ZDeviceException(const QString &message)
        : std::runtime_error(message.toUtf8().toStdString())
    {
    }
};

#endif // ZDEVICEEXCEPTION_H
