#pragma once
// Hosts that may need special treatment, classified from their product name.

#include <cstdint>

namespace veltrax {

enum HostKind : int32_t {
  HostNotAsked = -1,
  Unknown = 0,
  Reaper = 1,
  ProTools = 2,
  Cubase = 3,
  Nuendo = 4,
  Cakewalk = 5,
  Fruity = 7,
  Samplitude = 8,
  Live = 9,
  Melodyne = 12,
  VstManLib = 13,
  AuLab = 14,
  Forte = 15,
  Chainer = 16,
  Audition = 17,
  Orion = 18,
  SawStudio = 20,
  Logic = 21,
  GarageBand = 22,
  Digital = 23,
  Standalone = 24,
  AudioMulch = 25,
  PreSonus = 26,
  Vst3TestHost = 27,
  Ardour = 28,
  Renoise = 29,
  OpenMpt = 30,
};

// Pure function of the product name: the first key of the table found in the
// lower-cased name decides; Unknown when none is.
HostKind LookUpHostKind(const char* productName);

// Vendor version as the decimal MMmmbb the host answers, into 0xMMmmbb.
int32_t HostVersionFromDecimal(intptr_t decimal);

}  // namespace veltrax
