// Interface ids against their published text form, and the result codes
// against the platform's own. The layouts are checked by the header itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "Vst3Abi.h"

#if defined(_WIN32)
#include <windows.h>  // HRESULT values
#endif

namespace veltrax::vst3 {
namespace {

struct Bytes16 {
  unsigned char b[16];
};

// Lays an id out from "XXXXXXXX-XXXXXXXX-XXXXXXXX-XXXXXXXX" as a host does:
// on Windows the id is a GUID, whose first three fields sit in memory in the
// CPU's own byte order; elsewhere the bytes are as written.
Bytes16 idFromText(const std::string& text) {
  std::string hex;
  for (char c : text) {
    if (c != '-') hex += c;
  }
  EXPECT_EQ(hex.size(), 32u) << text;
  Bytes16 written{};
  for (int i = 0; i < 16; ++i) {
    written.b[i] = static_cast<unsigned char>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  }
#if defined(_WIN32)
  struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    unsigned char data4[8];
  } guid;
  guid.data1 = static_cast<uint32_t>(std::stoul(hex.substr(0, 8), nullptr, 16));
  guid.data2 = static_cast<uint16_t>(std::stoul(hex.substr(8, 4), nullptr, 16));
  guid.data3 = static_cast<uint16_t>(std::stoul(hex.substr(12, 4), nullptr, 16));
  std::memcpy(guid.data4, written.b + 8, 8);
  static_assert(sizeof(Guid) == 16, "GUID layout");
  Bytes16 laidOut;
  std::memcpy(laidOut.b, &guid, 16);
  return laidOut;
#else
  return written;
#endif
}

struct PublishedId {
  const char* name;
  const char* text;
  const Tuid& id;
};

const PublishedId kPublishedIds[] = {
    {"FUnknown", "00000000-00000000-C0000000-00000046", FUnknown::iid},
    {"IModulePart", "22888DDB-156E45AE-8358B348-08190625", IModulePart::iid},
    {"IClassFactory", "7A4D811C-52114A1F-AED9D2EE-0B43BF9F", IClassFactory::iid},
    {"IClassFactory2", "0007B650-F24B4C0B-A464EDB9-F00B2ABB", IClassFactory2::iid},
    {"IClassFactory3", "4555A2AB-C1234E57-9B122910-36878931", IClassFactory3::iid},
    {"IComponent", "E831FF31-F2D54301-928EBBEE-25697802", IComponent::iid},
    {"IAudioProcessor", "42043F99-B7DA453C-A569E79D-9AAEC33D", IAudioProcessor::iid},
    {"IEditController", "DCD7BBE3-7742448D-A874AACC-979C759E", IEditController::iid},
    {"IConnectionPoint", "70A4156F-6E6E4026-989148BF-AA60D8D1", IConnectionPoint::iid},
    {"IBStream", "C3BF6EA2-30994752-9B6BF990-1EE33E9B", IBStream::iid},
    {"IParameterChanges", "A4779663-0BB64A56-B44384A8-466FEB9D", IParameterChanges::iid},
    {"IParamValueQueue", "01263A18-ED074F6F-98C9D356-4686F9BA", IParamValueQueue::iid},
    {"IEventList", "3A2C4214-346349FE-B2C4F397-B9695A44", IEventList::iid},
    {"IEditorView", "5BC32507-D06049EA-A6151B52-2B755B29", IEditorView::iid},
    {"IEditorFrame", "367FAF01-AFA94693-8D4DA2A0-ED0882A3", IEditorFrame::iid},
    {"IComponentHandler", "93A0BEA3-0BD045DB-8E890B0C-C1E46AC6", IComponentHandler::iid},
    {"IRunLoop", "18C35366-97764F1A-9C5B8385-7A871389", IRunLoop::iid},
    {"IEventHandler", "561E65C9-13A0496F-813A2C35-654D7983", IEventHandler::iid},
    {"ITimerHandler", "10BDD94F-41424774-821FAD8F-ECA72CA9", ITimerHandler::iid},
    {"IEditorViewContentScale", "65ED9690-8AC44525-8AADEF7A-72EA703F",
     IEditorViewContentScale::iid},
    {"IHostApplication", "58E595CC-DB2D4969-8B6AAF8C-36A664E5", IHostApplication::iid},
};

TEST(Vst3Abi, InterfaceIdsMatchTheirPublishedTextInThePlatformsByteOrder) {
  for (const PublishedId& published : kPublishedIds) {
    const Bytes16 expected = idFromText(published.text);
    EXPECT_EQ(0, std::memcmp(expected.b, published.id.bytes, 16)) << published.name;
  }
}

// A string compare would stop at FUnknown's leading zero bytes.
TEST(Vst3Abi, IdsCompareOnAllSixteenBytes) {
  EXPECT_TRUE(tuidsEqual(FUnknown::iid, makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000046)));
  EXPECT_FALSE(tuidsEqual(FUnknown::iid, makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000047)));
  EXPECT_FALSE(tuidsEqual(FUnknown::iid, makeTuid(0x00000001, 0x00000000, 0xC0000000, 0x00000046)));
  EXPECT_FALSE(tuidsEqual(IClassFactory::iid, IClassFactory2::iid));
}

#if defined(_WIN32)
// Windows hosts read results as HRESULTs.
TEST(Vst3Abi, ResultCodesAreTheComValuesOnWindows) {
  EXPECT_EQ(kResultOk, S_OK);
  EXPECT_EQ(kResultFalse, S_FALSE);
  EXPECT_EQ(kNoInterface, E_NOINTERFACE);
  EXPECT_EQ(kInvalidArgument, E_INVALIDARG);
  EXPECT_EQ(kNotImplemented, E_NOTIMPL);
  EXPECT_EQ(kInternalError, E_FAIL);
  EXPECT_EQ(kNotInitialized, E_UNEXPECTED);
  EXPECT_EQ(kOutOfMemory, E_OUTOFMEMORY);
}
#endif

}  // namespace
}  // namespace veltrax::vst3
