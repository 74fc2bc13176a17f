#include "d2xx_library.h"

#include <dlfcn.h>

#include <cstdlib>

void* OpenD2xxLibrary() {
    const char* overridden = std::getenv("TERMBRIDGE_D2XX_LIBRARY");
    const char* path = overridden != nullptr && *overridden != '\0' ? overridden : "libftd2xx.so";
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* FindD2xxSymbol(void* library, const char* name) { return dlsym(library, name); }
