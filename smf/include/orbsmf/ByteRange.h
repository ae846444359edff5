// The SMF reader's name for the shared input range (orbt/ByteRange.h).
#pragma once

#include <orbt/ByteRange.h>

namespace OrbSMF {
using OrbT::ByteRange;
} // namespace OrbSMF
