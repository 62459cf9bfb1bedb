// The project version every shared library of ours carries.
extern "C" __attribute__((visibility("default"))) const char* KzLibraryVersion(void) { return KZ_VERSION; }
