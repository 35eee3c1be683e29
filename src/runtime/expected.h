#pragma once

// A value or the reason there is none: the one shape of "this may fail" from the runtime up.
// It holds exactly one of the two, so a caller cannot read a result without first asking which it
// got, and there is no empty state: it is made from a value or from unexpected(reason).

#include <type_traits>
#include <utility>
#include <variant>

namespace culler {

template <typename E> struct Unexpected { E error; };

// The reason a call has no value: return unexpected(error) from a function returning Expected.
template <typename E> Unexpected<std::decay_t<E>> unexpected(E &&error) {
    return {std::forward<E>(error)};
}

template <typename T, typename E> class [[nodiscard]] Expected {
public:
    Expected(T value)
        : m_state(std::in_place_index<0>, std::move(value)) {}
    template <typename G>
    Expected(Unexpected<G> reason)
        : m_state(std::in_place_index<1>, E(std::move(reason.error))) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    // Only after hasValue() said so: reading what is not there is a programmer's error, which
    // ends the program rather than reading garbage.
    T &operator*() & { return std::get<0>(m_state); }
    const T &operator*() const & { return std::get<0>(m_state); }
    T &&operator*() && { return std::get<0>(std::move(m_state)); }
    T *operator->() { return &std::get<0>(m_state); }
    const T *operator->() const { return &std::get<0>(m_state); }
    // Only after hasValue() said not.
    const E &error() const { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

} // namespace culler
