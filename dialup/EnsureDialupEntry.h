#pragma once

namespace veltro {

// Makes sure the program's entry "VLGPRS" exists on the modem device
// "VeltroGSM无线调制解调器". Without that device the entry is deleted. An existing
// entry keeps its settings and is moved onto the device; only when its device name
// still does not contain the modem device name afterwards is it deleted and created
// anew. Results are not reported: a later dial shows what went wrong.
void EnsureDialupEntry();

}  // namespace veltro
