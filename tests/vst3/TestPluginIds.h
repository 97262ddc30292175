#pragma once

#include "pluginterfaces/base/funknown.h"

namespace tesselor::vst3::test {

constexpr Steinberg::TUID kTestClassId = {'T', 'e', 's', 's', 'e', 'l', 'o', 'r',
                                          'T', 'e', 's', 't', 'P', 'l', 'u', 'g'};

}  // namespace tesselor::vst3::test
