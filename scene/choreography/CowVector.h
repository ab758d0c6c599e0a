// A vector whose copies share their elements until one of them is changed: what lets an editor keep hundreds of
// versions of a large choreography, each costing only what changed (a key edit copies one track's keys, not the
// file's). Reading goes through the const interface and never copies; any non-const access first makes the
// elements this vector's own when another copy shares them. It is not a general container: only what the
// choreography's readers, writers and editors use is here.
//
// Hold no reference or iterator from a non-const access across a copy of the vector: the copy shares what the
// reference points at, so a write through it would show in both.
#pragma once

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

template <typename T>
class CowVector
{
public:
    using value_type = T;
    using const_iterator = typename std::vector<T>::const_iterator;
    using iterator = typename std::vector<T>::iterator;
    using size_type = std::size_t;

    CowVector() = default;
    CowVector(std::initializer_list<T> items) : CowVector(std::vector<T>(items)) {}
    explicit CowVector(std::vector<T> items)
    {
        if (!items.empty())
        {
            m_items = std::make_shared<std::vector<T>>(std::move(items));
        }
    }

    // --- Reading: never copies ---------------------------------------------------------------------------------
    size_type size() const { return m_items ? m_items->size() : 0; }
    bool empty() const { return size() == 0; }
    const T& operator[](size_type i) const { return (*m_items)[i]; }
    const T& at(size_type i) const { return Items().at(i); }
    const T& front() const { return m_items->front(); }
    const T& back() const { return m_items->back(); }
    const_iterator begin() const { return Items().begin(); }
    const_iterator end() const { return Items().end(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const std::vector<T>& Items() const { return m_items ? *m_items : Empty(); }

    // Which elements this vector reads: two vectors with the same identity hold the same elements, without
    // comparing them. Null for an empty vector.
    const void* Identity() const { return empty() ? nullptr : m_items.get(); }
    // The bytes of the elements themselves (not what they point to).
    std::size_t ElementBytes() const { return size() * sizeof(T); }

    // --- Changing: makes the elements this vector's own first ----------------------------------------------------
    T& operator[](size_type i) { return Own()[i]; }
    T& at(size_type i) { return Own().at(i); }
    T& front() { return Own().front(); }
    T& back() { return Own().back(); }
    iterator begin() { return Own().begin(); }
    iterator end() { return Own().end(); }
    // The elements to change all at once (sorting, erasing a range, ...).
    std::vector<T>& Edit() { return Own(); }

    void push_back(T item) { Own().push_back(std::move(item)); }
    template <typename... Args>
    T& emplace_back(Args&&... args)
    {
        return Own().emplace_back(std::forward<Args>(args)...);
    }
    void pop_back() { Own().pop_back(); }
    void clear() { m_items.reset(); }
    void reserve(size_type count) { Own().reserve(count); }
    void resize(size_type count) { Own().resize(count); }
    // Positions are counted from the start of the elements they point into (which may still be shared), so that
    // they stay good when the elements are made this vector's own.
    iterator insert(const_iterator at, T item)
    {
        const auto index = at - cbegin();
        std::vector<T>& items = Own();
        return items.insert(items.begin() + index, std::move(item));
    }
    iterator erase(const_iterator at)
    {
        const auto index = at - cbegin();
        std::vector<T>& items = Own();
        return items.erase(items.begin() + index);
    }
    iterator erase(const_iterator from, const_iterator until)
    {
        const auto first = from - cbegin();
        const auto last = until - cbegin();
        std::vector<T>& items = Own();
        return items.erase(items.begin() + first, items.begin() + last);
    }

    // Equal elements; vectors that share them are equal at once.
    bool operator==(const CowVector& other) const { return Identity() == other.Identity() || Items() == other.Items(); }

private:
    static const std::vector<T>& Empty()
    {
        static const std::vector<T> empty;
        return empty;
    }

    std::vector<T>& Own()
    {
        if (!m_items)
        {
            m_items = std::make_shared<std::vector<T>>();
        }
        else if (m_items.use_count() != 1)
        {
            m_items = std::make_shared<std::vector<T>>(*m_items);
        }
        else
        {
            // The count was read without ordering; this pairs it with the release of the last other owner (on
            // another thread, say), whose reads must be over before the elements change here.
            std::atomic_thread_fence(std::memory_order_acquire);
        }
        return *m_items;
    }

    std::shared_ptr<std::vector<T>> m_items;
};
