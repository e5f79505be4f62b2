// Small sets of enumeration values ("[fsBold, fsItalic]").
#pragma once

#include <cstdint>
#include <initializer_list>

template <typename E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> Items) {
        for (E e : Items) FBits |= Bit(e);
    }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr TSet& Include(E e) {
        FBits |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        FBits &= ~Bit(e);
        return *this;
    }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr uint64_t Bits() const { return FBits; }
    static constexpr TSet FromBits(uint64_t b) {
        TSet s;
        s.FBits = b;
        return s;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
    constexpr bool operator==(const TSet& o) const = default;

private:
    static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
    uint64_t FBits = 0;
};
