#include "spectrframe.h"

void registerSpectrFrameType()
{
    qRegisterMetaType<SpectrFrame>("SpectrFrame");
}
