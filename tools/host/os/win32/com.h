// COM for one thread, and its interface pointers released on every path.
#pragma once

#include <objbase.h>

namespace pixavon::host::win32 {

// Joins the calling thread to the multithreaded apartment for the life of
// this object, and leaves it again. A thread that is in a single-threaded
// apartment already (a window's) stays there: it is usable as it is, and not
// this object's to leave.
class ComApartment {
public:
    ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False only if COM cannot be used on this thread at all.
    bool ok() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// An interface pointer, released when it goes.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) p_->Release();
    }
    Com(Com&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Com& operator=(Com&&) = delete;

    // For a function that fills in a new pointer (this one must be empty).
    T** out() { return &p_; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }

private:
    T* p_ = nullptr;
};

}  // namespace pixavon::host::win32
