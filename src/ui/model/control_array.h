#pragma once

// Control arrays of the window model (lblA, chkPuls, Label13, lblB): the routines address their
// members by index.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace dcf {

/// A control array addressed as name(index), indexes 0 to size - 1. An index outside the array is
/// a programming error and throws std::out_of_range instead of touching memory.
template<typename T> class ControlArray
{
public:
    explicit ControlArray(std::string name)
        : m_name(std::move(name))
    { }

    T &operator()(int index) const
    {
        if (index < 0 || index >= size()) {
            throw std::out_of_range(m_name + "(" + std::to_string(index) + ") is outside 0.."
                                    + std::to_string(size() - 1));
        }
        return *m_members[static_cast<std::size_t>(index)];
    }

    int size() const { return static_cast<int>(m_members.size()); }
    const std::string &name() const { return m_name; }

    /// Creates the next member; its index is the current size.
    template<typename... Args> T &append(Args &&...args)
    {
        m_members.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return *m_members.back();
    }

private:
    std::string m_name;
    std::vector<std::unique_ptr<T>> m_members;
};

} // namespace dcf
