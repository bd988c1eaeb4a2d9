// Counted objects: records shared between the tree, the semantic model and the
// built-in library. The count is intrusive so a raw pointer can be turned back
// into a counted reference (the tree's parent links are raw pointers). A record
// made immortal is shared by every compilation of the process, on any thread:
// counting it is a no-op, so nothing ever writes it again and it is never freed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

class CRefObject {
public:
    CRefObject() = default;
    CRefObject(const CRefObject&) : m_nRefs(0) {}
    CRefObject& operator=(const CRefObject&) { return *this; }
    virtual ~CRefObject() = default;

    // Counted objects come from a pool of fixed-size records (RefPool.cpp);
    // the deleting destructor passes the real size of the object back.
    static void* operator new(size_t size);
    static void operator delete(void* p, size_t size);

    void AddRef() {
        if (m_nRefs != kImmortal) ++m_nRefs;
    }
    void Release() {
        if (m_nRefs != kImmortal && --m_nRefs == 0) delete this;
    }
    uint32_t GetRefCount() const { return m_nRefs; }
    void MakeImmortal() { m_nRefs = kImmortal; }
    bool IsImmortal() const { return m_nRefs == kImmortal; }

private:
    static constexpr uint32_t kImmortal = 0xFFFFFFFF;
    uint32_t m_nRefs = 0;
};

// Holds one counted object. Assignment adds the new reference before releasing
// the old one, so assigning an object to itself is safe.
template <class T>
class CRefPtr {
public:
    CRefPtr() = default;
    CRefPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    CRefPtr(const CRefPtr& o) : CRefPtr(o.m_p) {}
    CRefPtr(CRefPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U>
    CRefPtr(const CRefPtr<U>& o) : CRefPtr(o.Get()) {}
    ~CRefPtr() { if (m_p) m_p->Release(); }

    CRefPtr& operator=(T* p) {
        if (p) p->AddRef();
        T* old = std::exchange(m_p, p);
        if (old) old->Release();
        return *this;
    }
    CRefPtr& operator=(const CRefPtr& o) { return *this = o.m_p; }
    CRefPtr& operator=(CRefPtr&& o) noexcept {
        if (this != &o) {
            T* old = std::exchange(m_p, std::exchange(o.m_p, nullptr));
            if (old) old->Release();
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(const CRefPtr& o) const { return m_p == o.m_p; }
    bool operator==(const T* p) const { return m_p == p; }

    // Gives up the reference without releasing it (for iterative teardown).
    T* Detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

// A plain link to a record that something else keeps alive (a scope, a
// class, the library). Records that die without a destructor (those of an
// arena) hold their links this way, so nothing counts on them; it reads like
// a CRefPtr, so code that only follows the link does not care which it is.
template <class T>
class CLink {
public:
    CLink() = default;
    CLink(T* p) : m_p(p) {}
    template <class U>
    CLink(const CRefPtr<U>& p) : m_p(p.Get()) {}

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    operator T*() const { return m_p; }

private:
    T* m_p = nullptr;
};

// Creates a counted object held by a fresh reference.
template <class T, class... Args>
CRefPtr<T> MakeRef(Args&&... args) {
    return CRefPtr<T>(new T(std::forward<Args>(args)...));
}
