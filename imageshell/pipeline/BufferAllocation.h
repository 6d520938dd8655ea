#pragma once

// The one place where a decode's buffers meet std::bad_alloc. A hostile header can ask for more than
// the process has, and a decode must then fail with an error code rather than throw through the
// libraries' callbacks and the shell's thread: `allocate` (assignments of vectors and the like) runs
// here and a shortage of memory becomes `false`. Decoders count their buffers against the ceiling of
// a decode first, through ImageDecoder::AllocateCounted, which runs this.
#include <new>

namespace lumetta {

template <typename Allocate>
bool AllocateOrFail(Allocate&& allocate) {
  try {
    allocate();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace lumetta
