#pragma once
// Finding and loading the D2XX library, one implementation per platform.

// Null when the library cannot be loaded.
void* OpenD2xxLibrary();
// Null when the library has no such name.
void* FindD2xxSymbol(void* library, const char* name);
