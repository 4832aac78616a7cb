// The frame every plug-in is built on. A plug-in writes its module class,
// derived from MODULE, and ends its source with KMD_PLUGIN(Class); this file
// supplies the library-wide state, the dispatcher behind the exported entry
// point, the default methods and the load/unload routine.
//
// The class must provide:
//   void Create();  void Count(int cnt);
//   static const char *About();  static const char *ToolTip();
// and may provide (defaults in brackets):
//   void Destroy() [nothing]  void Setup() [nothing]  void Description() [no rows]
//   bool Start() [true]  bool Stop() [true]
//   bool Save(KMDSTREAM *) / bool Load(KMDSTREAM *) [no own data],
//     or Save(int fd) / Load(int fd) for types with matNEEDHANDLE
//   bool Copy() / bool Paste() [whole-instance copy through _Copy]
//   bool MouseDown(int locxy) [not handled: the entry answers 0]
//   static int Size() [sizeof the class]  static void Help() [nothing]
//   static void Attach() / static void Detach() [library-wide resources;
//     Detach must tolerate a second run]
#pragma once

#include <cstring>
#include <type_traits>

#include "Kmd.h"
#include "Text1251.h"

// Library-wide state, one copy per loaded plug-in.
inline PARAMS *Params = nullptr; // the host's parameters, set by fnPARAMS
inline bool CopyIsAvailable = false;

// The one-slot copy buffer: one instance image of the plug-in's class.
template <class T>
inline T _Copy{};

namespace kmd {

// Default copy: the whole instance, MODULE part included.
template <class T>
bool DefaultCopy(T *self) {
    std::memcpy(static_cast<void *>(&_Copy<T>), static_cast<const void *>(self), sizeof(T));
    CopyIsAvailable = true;
    return true;
}

// Default paste: the copy buffer over the whole instance.
template <class T>
bool DefaultPaste(T *self) {
    if (!CopyIsAvailable) return false;
    std::memcpy(static_cast<void *>(self), static_cast<const void *>(&_Copy<T>), sizeof(T));
    return true;
}

template <class T>
struct Dispatch {
    static_assert(std::is_base_of_v<MODULE, T>, "a module class derives from MODULE");
    static_assert(std::is_trivially_copyable_v<T>, "instances are copied and saved as bytes");
    static_assert(sizeof(T) >= sizeof(MODULE));

    using Fn = intptr_t (*)(void *, intptr_t);
    static T *self(void *data) { return static_cast<T *>(static_cast<MODULE *>(data)); }

    static intptr_t create(void *d, intptr_t) {
        if (d) self(d)->Create();
        return 0;
    }
    static intptr_t destroy(void *d, intptr_t) {
        if constexpr (requires(T t) { t.Destroy(); })
            if (d) self(d)->Destroy();
        return 0;
    }
    static intptr_t setup(void *d, intptr_t) {
        if constexpr (requires(T t) { t.Setup(); })
            if (d) self(d)->Setup();
        return 0;
    }
    static intptr_t descr(void *d, intptr_t) {
        if constexpr (requires(T t) { t.Description(); })
            if (d) self(d)->Description();
        return 0;
    }
    static intptr_t count(void *d, intptr_t par) {
        if (d) self(d)->Count((int)par);
        return 0;
    }
    static intptr_t params(void *d, intptr_t) {
        Params = static_cast<PARAMS *>(d);
        return 0;
    }
    static intptr_t help(void *, intptr_t) {
        if constexpr (requires { T::Help(); }) T::Help();
        return 0;
    }
    static intptr_t size(void *, intptr_t) {
        if constexpr (requires { T::Size(); })
            return (intptr_t)T::Size();
        else
            return (intptr_t)sizeof(T);
    }
    static intptr_t start(void *d, intptr_t) {
        if constexpr (requires(T t) { t.Start(); })
            return d && self(d)->Start() ? 1 : 0;
        else
            return d ? 1 : 0;
    }
    static intptr_t stop(void *d, intptr_t) {
        if constexpr (requires(T t) { t.Stop(); })
            return d && self(d)->Stop() ? 1 : 0;
        else
            return d ? 1 : 0;
    }
    static intptr_t save(void *d, intptr_t par) {
        if (!d) return 0;
        if constexpr (requires(T t, KMDSTREAM *s) { t.Save(s); })
            return self(d)->Save(reinterpret_cast<KMDSTREAM *>(par)) ? 1 : 0;
        else if constexpr (requires(T t, int h) { t.Save(h); })
            return self(d)->Save((int)par) ? 1 : 0;
        else
            return 1;
    }
    static intptr_t load(void *d, intptr_t par) {
        if (!d) return 0;
        if constexpr (requires(T t, KMDSTREAM *s) { t.Load(s); })
            return self(d)->Load(reinterpret_cast<KMDSTREAM *>(par)) ? 1 : 0;
        else if constexpr (requires(T t, int h) { t.Load(h); })
            return self(d)->Load((int)par) ? 1 : 0;
        else
            return 1;
    }
    static intptr_t copy(void *d, intptr_t) {
        if (!d) return 0;
        if constexpr (requires(T t) { t.Copy(); })
            return self(d)->Copy() ? 1 : 0;
        else
            return DefaultCopy<T>(self(d)) ? 1 : 0;
    }
    static intptr_t paste(void *d, intptr_t) {
        if (!d) return 0;
        if constexpr (requires(T t) { t.Paste(); })
            return self(d)->Paste() ? 1 : 0;
        else
            return DefaultPaste<T>(self(d)) ? 1 : 0;
    }
    static intptr_t about(void *, intptr_t) { return reinterpret_cast<intptr_t>(T::About()); }
    static intptr_t tooltip(void *, intptr_t) { return reinterpret_cast<intptr_t>(T::ToolTip()); }
    static intptr_t mousedown(void *d, intptr_t par) {
        if constexpr (requires(T t) { t.MouseDown(0); })
            return d && self(d)->MouseDown((int32_t)par) ? 1 : 0;
        else
            return 0;
    }

    // Indexed by function number.
    static constexpr Fn table[kFunctionCount] = {
        create, destroy, setup, descr,   count, params, help,    size,     start,
        stop,   save,    load,  copy,    paste, about,  tooltip, mousedown,
    };

    // fnCOUNT comes once per instance and sample, every other number a few
    // times per run: it is tested first and calls Count in place, without
    // the jump through the table.
    static intptr_t Call(int funcnum, void *data, intptr_t par) {
        if (funcnum == fnCOUNT) [[likely]]
            return count(data, par);
        if ((unsigned)funcnum >= (unsigned)kFunctionCount) return 0;
        return table[funcnum](data, par);
    }
};

// Runs at library load and unload: the copy buffer starts empty, and a type
// may make and release library-wide resources.
template <class T>
struct LibraryLife {
    LibraryLife() {
        CopyIsAvailable = false;
        if constexpr (requires { T::Attach(); }) T::Attach();
    }
    ~LibraryLife() {
        if constexpr (requires { T::Detach(); }) T::Detach();
    }
};

} // namespace kmd

#define KMD_EXPORT extern "C" __attribute__((visibility("default")))

// Ends a plug-in's source: the exported entry point for module class CLASS.
#define KMD_PLUGIN(CLASS)                                                                          \
    static kmd::LibraryLife<CLASS> kmdLibraryLife;                                                 \
    KMD_EXPORT intptr_t Function(int funcnum, void *data, intptr_t par) {                          \
        return kmd::Dispatch<CLASS>::Call(funcnum, data, par);                                     \
    }
