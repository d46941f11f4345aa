#pragma once
// What the VST3 module tells hosts about itself: the class, its vendor and
// version. vst3/CMakeLists.txt reads the lines below to write the bundle's
// moduleinfo.json, so this is the only place they are written.

#include <cstdint>

namespace veltrax {
namespace vst3id {

// The class id of the Veltrax component. It never changes: hosts keep it in
// their projects and presets to find the plug-in again, in every version.
constexpr uint32_t kClassIdWords[4] = {0x7FE1E7D9, 0x1B59E161, 0x8EC7DB63, 0xCD08FB4F};

inline constexpr char kClassName[] = "Veltrax";
inline constexpr char kVendor[] = "Quillmarsh";
inline constexpr char kVendorUrl[] = "https://quillmarsh.example";
inline constexpr char kVendorEmail[] = "support@quillmarsh.example";
inline constexpr char kSubCategories[] = "Fx|Distortion";
inline constexpr char kVersion[] = "1.0.0";
// The interface version the adapter is written against.
inline constexpr char kInterfaceVersion[] = "VST 3.7.0";

}  // namespace vst3id
}  // namespace veltrax
