#pragma once
// The bytes the update test appends to a copy of the probe to make its "new build".
namespace ordo::test {
inline constexpr const char* kNewBuildMarker = "\nORDO-UPDATE-PROBE-NEW-BUILD\n";
}
