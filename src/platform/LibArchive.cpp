#include "platform/LibArchive.h"

#include <dlfcn.h>

#include <atomic>
#include <optional>

namespace nebu::platform {

namespace {

std::atomic<bool> hiddenForTests{false};

template <typename Fn>
bool Bind(void* library, const char* symbol, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(library, symbol));
    return slot != nullptr;
}

std::optional<LibArchive> Resolve() {
    // RTLD_LOCAL: its symbols (and those of its dependencies) stay out of
    // the global namespace, where they could capture lookups of other code.
    void* library = dlopen(LibArchive::kFileName, RTLD_NOW | RTLD_LOCAL);
    if (!library) return std::nullopt;
    LibArchive table;
    bool complete = true;
#define NEBU_LIBARCHIVE_BIND(name) complete = Bind(library, #name, table.name) && complete;
    NEBU_LIBARCHIVE_FUNCTIONS(NEBU_LIBARCHIVE_BIND)
#undef NEBU_LIBARCHIVE_BIND
    if (!complete) {
        // An older or foreign build: half a table is no table.
        dlclose(library);
        return std::nullopt;
    }
    // Never closed: the table is handed out for the life of the process.
    return table;
}

}  // namespace

const LibArchive* LibArchive::Get() {
    if (hiddenForTests.load(std::memory_order_acquire)) return nullptr;
    static const std::optional<LibArchive> table = Resolve();
    return table ? &*table : nullptr;
}

void LibArchive::Hide(bool hidden) {
    hiddenForTests.store(hidden, std::memory_order_release);
}

}  // namespace nebu::platform
