#ifndef SPECTRFRAME_H
#define SPECTRFRAME_H

#include <QMetaType>
#include <QVector>

// One slice of the receiver's spectrum: 32 levels in dB. Frames 0 to 63 tile the 2046-point
// spectrum; the frame number travels beside the frame in ZTarnVex::spectrFrame.
typedef QVector<double> SpectrFrame;

// Registers the name "SpectrFrame" with the meta-type system so that the signal can be queued.
// Safe to call more than once.
void registerSpectrFrameType();

#endif // SPECTRFRAME_H
