#pragma once

// An owning handle over one of Arb's balls: a midpoint and a radius that
// bound a real number with a guaranteed error.

#include <arb.h>

namespace kalvira {

class ArbBall {
public:
    ArbBall() { arb_init(ball_); }
    ArbBall(const ArbBall& other) : ArbBall() { arb_set(ball_, other.ball_); }
    ArbBall(ArbBall&& other) noexcept : ArbBall() { arb_swap(ball_, other.ball_); }
    ArbBall& operator=(const ArbBall& other) {
        arb_set(ball_, other.ball_);
        return *this;
    }
    ArbBall& operator=(ArbBall&& other) noexcept {
        arb_swap(ball_, other.ball_);
        return *this;
    }
    ~ArbBall() { arb_clear(ball_); }

    arb_struct* get() { return ball_; }
    const arb_struct* get() const { return ball_; }

private:
    arb_t ball_;
};

// A sign or a zero that the balls of this precision cannot decide: a
// higher precision may.
struct Undecided {
    const char* what;  // "the sign of a denominator"
};

}  // namespace kalvira
