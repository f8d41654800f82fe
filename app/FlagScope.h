#pragma once
// Sets a flag for the length of a handler and gives it back its earlier value on every way
// out: a re-entry guard (the earlier value is false) or a state held only while the
// handler runs (the Ctrl key taken as held for presses made from code).
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};
