// How many processors this process may run on: a second thread helps only
// where there is a second one.
#pragma once

namespace q836 {

/// The processors the process may run on now (its affinity), at least 1.
unsigned UsableProcessors();

}  // namespace q836
