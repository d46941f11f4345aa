# Writes the bundle's Contents/Resources/moduleinfo.json from what
# Vst3Identity.h declares, so that hosts can list the class without loading
# the binary.
# Usage: cmake -DIDENTITY=<Vst3Identity.h> -DOUTPUT=<moduleinfo.json> -P WriteModuleInfo.cmake

file(STRINGS ${IDENTITY} lines)
foreach(line IN LISTS lines)
  if(line MATCHES "kClassIdWords\\[4\\] = {0x([0-9A-Fa-f]+), 0x([0-9A-Fa-f]+), 0x([0-9A-Fa-f]+), 0x([0-9A-Fa-f]+)}")
    string(TOUPPER "${CMAKE_MATCH_1}${CMAKE_MATCH_2}${CMAKE_MATCH_3}${CMAKE_MATCH_4}" class_id)
  elseif(line MATCHES "constexpr char k([A-Za-z]+)\\[\\] = \"([^\"]*)\";")
    set(identity_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
foreach(name class_id identity_ClassName identity_Vendor identity_VendorUrl identity_VendorEmail
             identity_SubCategories identity_Version identity_InterfaceVersion)
  if(NOT DEFINED ${name} OR "${${name}}" STREQUAL "")
    message(FATAL_ERROR "${IDENTITY} declares no ${name}")
  endif()
endforeach()
string(LENGTH "${class_id}" id_length)
if(NOT id_length EQUAL 32)
  message(FATAL_ERROR "the class id ${class_id} is not 128 bits")
endif()

string(REPLACE "|" "\", \"" sub_categories "\"${identity_SubCategories}\"")
file(WRITE ${OUTPUT} "{
  \"Name\": \"${identity_ClassName}\",
  \"Version\": \"${identity_Version}\",
  \"Factory Info\": {
    \"Vendor\": \"${identity_Vendor}\",
    \"URL\": \"${identity_VendorUrl}\",
    \"E-Mail\": \"${identity_VendorEmail}\",
    \"Flags\": {
      \"Unicode\": true,
      \"Classes Discardable\": false,
      \"Component Non Discardable\": false
    }
  },
  \"Compatibility\": [],
  \"Classes\": [
    {
      \"CID\": \"${class_id}\",
      \"Category\": \"Audio Module Class\",
      \"Name\": \"${identity_ClassName}\",
      \"Vendor\": \"${identity_Vendor}\",
      \"Version\": \"${identity_Version}\",
      \"SDKVersion\": \"${identity_InterfaceVersion}\",
      \"Sub Categories\": [${sub_categories}],
      \"Class Flags\": 0,
      \"Cardinality\": 2147483647,
      \"Snapshots\": []
    }
  ]
}
")
