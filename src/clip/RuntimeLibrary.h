// Libraries only some commands need (the MP3 decoder and encoder, the other
// sound-file readers, the Ogg Vorbis encoder, the loudness meter) are opened
// when first used rather than with the program: each library linked in is
// mapped, relocated and searched for every symbol of every later library on
// each start, about a millisecond of the editor's 35 before its window shows.
#pragma once

namespace zirpel {

// One library opened at run time by the name linking would have recorded
// (its soname), privately: its symbols do not join the program's own.
class RuntimeLibrary {
public:
    explicit RuntimeLibrary(const char* soname);
    // Kept loaded when the object goes: a decoder, an encoder or a meter
    // made from it may still be in use while the program ends.
    ~RuntimeLibrary() = default;

    bool opened() const { return handle_ != nullptr; }
    // Fills `entry` with the named entry point; false when it is missing.
    template <typename F>
    bool resolve(const char* name, F& entry) const {
        entry = reinterpret_cast<F>(find(name));
        return entry != nullptr;
    }
    // Unloads a library that turned out unusable.
    void close();

private:
    void* find(const char* name) const;
    void* handle_;
};

}  // namespace zirpel

#define ZIRPEL_RUNTIME_NAME_(x) #x
// The symbol's name after the header's own renaming (libmpg123 maps some
// names to their 64-bit variants), as a call linked directly would use.
#define ZIRPEL_RUNTIME_NAME(x) ZIRPEL_RUNTIME_NAME_(x)
#define ZIRPEL_RUNTIME_MEMBER(name) decltype(&::name) name = nullptr;
#define ZIRPEL_RUNTIME_RESOLVE(name) ok = ok && library.resolve(ZIRPEL_RUNTIME_NAME(name), table.name);

// Declares `struct Table`, one member per entry point listed by
// `ENTRIES(X)` and typed as the library's header declares it, and
// `const Table* Load()`, which opens the library on its first call from any
// thread and returns null when it or one of its entry points is missing.
#define ZIRPEL_RUNTIME_LIBRARY(Table, Load, soname, ENTRIES)                 \
    struct Table {                                                           \
        ENTRIES(ZIRPEL_RUNTIME_MEMBER)                                       \
    };                                                                       \
    const Table* Load() {                                                    \
        static const Table* const loaded = []() -> const Table* {            \
            static Table table;                                              \
            ::zirpel::RuntimeLibrary library(soname);                        \
            bool ok = library.opened();                                      \
            ENTRIES(ZIRPEL_RUNTIME_RESOLVE)                                  \
            if (ok) return &table;                                           \
            library.close();                                                 \
            return nullptr;                                                  \
        }();                                                                 \
        return loaded;                                                       \
    }
