#ifndef ZFAULTPLAN_H
#define ZFAULTPLAN_H

#include <QByteArray>

#include <chrono>

#include "zserialportprops.h"

// The faults of a real line and device that the emulator plays at the moment. A value: the
// emulator keeps one under its lock and the serving thread copies it whole for each request.
// Counted faults hit the next `count` requests and count down; -1 hits all until reset with 0.
struct ZFaultPlan
{
    int replyDelayMs = 0;
    // Every byte takes its wire time in both directions: a request counts as received only once
    // its bytes could have crossed the line, and a reply is written byte by byte at the line rate.
    bool pacing = false;
    std::chrono::nanoseconds byteTime{serialByteNs(115200, 8, 0, 2)};
    // Paced replies reach the port in pieces of this many bytes, each once its last byte's wire
    // time has come, as a USB serial adapter hands them over; 1 is byte by byte.
    int chunk = 1;
    // The reply goes out in two bursts: its first half, a gap of `splitGapMs`, the rest.
    bool splitReply = false;
    int splitGapMs = 50;
    // Sent before every reply.
    QByteArray noise;
    // Counted: replies carrying a wrong CRC.
    int corruptCrc = 0;
    // Counted: requests carried out but not answered.
    int dropReplies = 0;
    // Counted: requests answered with an error response carrying `errorCode`, not carried out.
    int errorReplies = 0;
    int errorCode = 0;
    // Counted: writes that store (and echo) the value with the lowest bit of its first byte
    // flipped, as a device that mangles what it is told would.
    int alterWrites = 0;

    // Whether a counted fault hits this request; counts it down if so.
    static bool take(int &count)
    {
        if (count == 0)
            return false;
        if (count > 0)
            --count;
        return true;
    }
};

#endif // ZFAULTPLAN_H
