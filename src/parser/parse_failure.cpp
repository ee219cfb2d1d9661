#include "parser/parse.hpp"

#include <utility>

namespace kalvira {

ParseFailure::ParseFailure(std::size_t offset, std::string reason, std::string hint)
    : offset_(offset), reason_(std::move(reason)), hint_(std::move(hint)) {
    summary_ = reason_ + " at position " + std::to_string(offset_ + 1);
    if (!hint_.empty()) {
        summary_ += "; " + hint_;
    }
}

std::string ParseFailure::summary() const { return summary_; }

}  // namespace kalvira
