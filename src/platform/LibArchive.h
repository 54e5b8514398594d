#pragma once
// libarchive, opened the first time an archive is actually read instead of
// being linked: with what it drags in (libxml2, ICU, the compressors) it
// would cost every run megabytes of memory, archive options or not.

#include <archive.h>
#include <archive_entry.h>

namespace nebu::platform {

// Every libarchive function the platform layer calls. One list feeds both
// the table and its lookup, so neither can miss an entry.
#define NEBU_LIBARCHIVE_FUNCTIONS(X)     \
    X(archive_entry_filetype)            \
    X(archive_entry_hardlink)            \
    X(archive_entry_pathname)            \
    X(archive_entry_pathname_utf8)       \
    X(archive_entry_size)                \
    X(archive_entry_size_is_set)         \
    X(archive_error_string)              \
    X(archive_read_data)                 \
    X(archive_read_free)                 \
    X(archive_read_new)                  \
    X(archive_read_next_header)          \
    X(archive_read_open1)                \
    X(archive_read_set_callback_data)    \
    X(archive_read_set_format_option)    \
    X(archive_read_set_read_callback)    \
    X(archive_read_set_seek_callback)    \
    X(archive_read_set_skip_callback)    \
    X(archive_read_support_filter_bzip2) \
    X(archive_read_support_filter_gzip)  \
    X(archive_read_support_filter_xz)    \
    X(archive_read_support_filter_zstd)  \
    X(archive_read_support_format_7zip)  \
    X(archive_read_support_format_lha)   \
    X(archive_read_support_format_rar)   \
    X(archive_read_support_format_rar5)  \
    X(archive_read_support_format_tar)   \
    X(archive_read_support_format_zip)   \
    X(archive_set_error)

struct LibArchive {
    // Typed from the library's own declarations, so a signature cannot drift.
#define NEBU_LIBARCHIVE_POINTER(name) decltype(&::name) name = nullptr;
    NEBU_LIBARCHIVE_FUNCTIONS(NEBU_LIBARCHIVE_POINTER)
#undef NEBU_LIBARCHIVE_POINTER

    static constexpr const char* kFileName = "libarchive.so.13";

    // The library's functions, loaded once per process on the first call
    // from whichever thread comes first. nullptr when the library or any one
    // function is missing; that answer is kept, not retried.
    static const LibArchive* Get();

    // Test hook: while hidden, Get() answers as if the library were missing
    // (without loading it). Streams already open keep their table.
    static void Hide(bool hidden);
};

}  // namespace nebu::platform
