#pragma once

namespace veltro {

// Makes sure the program's dial-up entry "VLGPRS" exists on the modem device. Without
// the device the entry is deleted; an existing entry keeps its settings and is moved
// onto the device, and is made anew only when that move did not take. Results are not
// reported: a later connect runs the same check again.
void EnsureDialupEntry();

}  // namespace veltro
