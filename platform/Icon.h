#pragma once

class QIcon;

namespace platform {

// The program's icon resource `id` (resources/icon/<id>.png); a null icon when
// there is none or it cannot be read.
QIcon LoadIcon(unsigned id);

} // namespace platform
