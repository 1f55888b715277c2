// Marks the variables that every process which loads the hook library
// shares. On Windows they live in the read/write/shared section "SHARED";
// on winsim one loaded copy serves every simulated process already.
#ifndef QUILLMERE_HOOK_SHAREDSECTION_H
#define QUILLMERE_HOOK_SHAREDSECTION_H

#if defined(_MSC_VER)
#define HOOK_SHARED
#define HOOK_SHARED_SECTION_BEGIN __pragma(data_seg("SHARED"))
#define HOOK_SHARED_SECTION_END __pragma(data_seg()) __pragma(comment(linker, "/SECTION:SHARED,RWS"))
#elif defined(_WIN32)
#define HOOK_SHARED __attribute__((section("SHARED"), shared))
#define HOOK_SHARED_SECTION_BEGIN
#define HOOK_SHARED_SECTION_END
#else
#define HOOK_SHARED
#define HOOK_SHARED_SECTION_BEGIN
#define HOOK_SHARED_SECTION_END
#endif

#endif
