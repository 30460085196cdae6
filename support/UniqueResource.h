#pragma once

#include <cstdio>
#include <utility>

#include <windows.h>
#include <objbase.h>

// One owner for every kind of handle: the traits say what "empty" is and how to close.
// Owners move but never copy; closing keeps GetLastError intact so a failure that is being
// reported is not masked by the cleanup.
template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() noexcept : value_(Traits::invalid()) {}
    explicit UniqueResource(T value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    T release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(T value = Traits::invalid()) noexcept {
        if (value_ != Traits::invalid()) {
            const DWORD lastError = ::GetLastError();
            Traits::close(value_);
            ::SetLastError(lastError);
        }
        value_ = value;
    }

    // For out-parameters: releases what is held first, so nothing leaks when the call fills it.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_;
};

struct FileHandleTraits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueResource<HANDLE, FileHandleTraits>;

struct HandleTraits {
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;

struct FindHandleTraits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct RegKeyTraits {
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct ModuleTraits {
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

struct LocalMemoryTraits {
    static HLOCAL invalid() noexcept { return nullptr; }
    static void close(HLOCAL h) noexcept { ::LocalFree(h); }
};
using UniqueLocalMemory = UniqueResource<HLOCAL, LocalMemoryTraits>;

// Memory of the process heap, as some system functions hand it out.
struct ProcessHeapTraits {
    static void* invalid() noexcept { return nullptr; }
    static void close(void* memory) noexcept { ::HeapFree(::GetProcessHeap(), 0, memory); }
};
using UniqueProcessHeapMemory = UniqueResource<void*, ProcessHeapTraits>;

struct CrtFileTraits {
    static FILE* invalid() noexcept { return nullptr; }
    static void close(FILE* f) noexcept { std::fclose(f); }
};
using UniqueCrtFile = UniqueResource<FILE*, CrtFileTraits>;

// A string the shell allocated for the caller, such as the result of SHGetKnownFolderPath.
struct CoTaskStringTraits {
    static wchar_t* invalid() noexcept { return nullptr; }
    static void close(wchar_t* s) noexcept { ::CoTaskMemFree(s); }
};
using UniqueCoTaskString = UniqueResource<wchar_t*, CoTaskStringTraits>;

// Both handles of a started process, closed together.
struct UniqueProcessInformation {
    UniqueHandle process;
    UniqueHandle thread;
};
