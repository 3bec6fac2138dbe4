// A library for the dynamic library test: it exports one function.
#ifdef _WIN32
#define HOPPLIX_EXPORT __declspec(dllexport)
#else
#define HOPPLIX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" HOPPLIX_EXPORT int hopplix_test_answer() { return 42; }
