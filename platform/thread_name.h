// SPDX-License-Identifier: GPL-3.0-or-later
// The name the system shows for a thread (in /proc, top and debuggers).
#pragma once

namespace skyvane::platform {

// Names the calling thread; the system keeps the first 15 characters.
void NameCurrentThread(const char* name);

}  // namespace skyvane::platform
