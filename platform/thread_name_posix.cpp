// SPDX-License-Identifier: GPL-3.0-or-later
#include <pthread.h>

#include <cstring>
#include <string>

#include "platform/thread_name.h"

namespace skyvane::platform {

void NameCurrentThread(const char* name) {
    const std::string shortName(name, strnlen(name, 15));
    pthread_setname_np(pthread_self(), shortName.c_str());
}

}  // namespace skyvane::platform
