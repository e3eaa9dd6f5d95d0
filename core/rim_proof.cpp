#include "core/rim_proof.hpp"

#include <algorithm>
#include <map>
#include <unordered_set>

namespace zentara::puzzle_import {

namespace {

// The search over kinds of pieces: colours numbered 0 to R - 1 in ascending list
// order, edge pieces counted per (begins, ends), corners one by one. Two cuts
// keep it short: the edge pieces left must still lead, in as many steps as the
// side has places left, to the colour an unused corner begins with; and every
// colour still to be used must be reachable from where the ring stands.
class RimSearch {
public:
    static constexpr int MAX_COLOURS = 8;

    RimSearch(const RimPieces& rim, std::int64_t steps, const std::function<void(std::int64_t)>& progress)
        : budget_(steps), progress_(progress) {
        std::map<ListColour, int> number;
        for (const auto* pieces : {&rim.corners, &rim.edges})
            for (const RimPiece& p : *pieces) number.emplace(p.begins, 0), number.emplace(p.ends, 0);
        for (auto& [colour, n] : number) n = colours_++;
        if (colours_ > MAX_COLOURS || rim.corners.size() > 8 || rim.edges.size() > 63) return;
        for (const RimPiece& p : rim.edges) ++count_[number[p.begins] * colours_ + number[p.ends]];
        for (const RimPiece& p : rim.corners) corners_.push_back({number[p.begins], number[p.ends]});
        for (int side = 0; side < 4; ++side) {
            cornerAt_.push_back(true);
            cornerAt_.insert(cornerAt_.end(), static_cast<std::size_t>(std::max(rim.sideEdges[side], 0)), false);
        }
        placesToCorner_.assign(cornerAt_.size(), 0);
        for (int at = static_cast<int>(cornerAt_.size()) - 1, n = 0; at >= 0; --at)
            placesToCorner_[static_cast<std::size_t>(at)] = n = cornerAt_[static_cast<std::size_t>(at)] ? 0 : n + 1;
        searchable_ = true;
    }

    RimVerdict run() {
        if (!searchable_) return RimVerdict::Undecided;
        const int n = static_cast<int>(corners_.size());
        for (int first = 0; first < n; ++first) {
            if (triedBefore(first)) continue;
            failed_.clear();  // states lead nowhere for one start colour
            start_ = corners_[first].begins;
            used_ = 1u << first;
            if (search(1, corners_[first].ends)) return RimVerdict::Closes;
            if (outOfSteps_) return RimVerdict::Undecided;
        }
        return RimVerdict::NeverCloses;
    }
    std::int64_t steps() const { return steps_; }

private:
    struct Kind {
        int begins, ends;
    };
    // What is left, packed: 6 bits per count (at most 63 edge pieces), the
    // corners used and the colour the ring stands at.
    using State = std::array<std::uint64_t, 7>;
    struct StateHash {
        std::size_t operator()(const State& s) const {
            std::uint64_t h = 0;
            for (std::uint64_t w : s) h = (h ^ w) * 0x9E3779B97F4A7C15ull;
            return static_cast<std::size_t>(h ^ (h >> 29));
        }
    };
    // Dead states remembered, about a hundred bytes each: the memory stays
    // bounded however long the budget.
    static constexpr std::size_t MAX_REMEMBERED = std::size_t{1} << 21;

    std::int64_t budget_, steps_ = 0;
    const std::function<void(std::int64_t)>& progress_;
    bool searchable_ = false;
    int colours_ = 0, start_ = 0;
    std::array<int, MAX_COLOURS * MAX_COLOURS> count_{};
    std::vector<Kind> corners_;
    std::vector<bool> cornerAt_;
    std::vector<int> placesToCorner_;  // edge places from here to the next corner (or the ring's end)
    unsigned used_ = 0;
    bool outOfSteps_ = false;
    std::unordered_set<State, StateHash> failed_;

    // A corner like an earlier one not used is the same choice again.
    bool triedBefore(int i) const {
        for (int j = 0; j < i; ++j)
            if (!(used_ >> j & 1) && corners_[j].begins == corners_[i].begins && corners_[j].ends == corners_[i].ends)
                return true;
        return false;
    }

    State state(int colour) const {
        State key{};
        for (int k = 0; k < colours_ * colours_; ++k)
            key[static_cast<std::size_t>(k / 10)] |= static_cast<std::uint64_t>(count_[k]) << (6 * (k % 10));
        key[6] |= static_cast<std::uint64_t>(used_) << 48 | static_cast<std::uint64_t>(colour) << 56;
        return key;
    }

    unsigned successors(unsigned from) const {
        unsigned to = 0;
        for (int a = 0; a < colours_; ++a)
            if (from >> a & 1)
                for (int b = 0; b < colours_; ++b) to |= (count_[a * colours_ + b] > 0 ? 1u : 0u) << b;
        return to;
    }

    // The edge pieces left lead in `places` steps from `colour` to the next corner.
    bool sideCanEnd(int colour, int places) const {
        unsigned targets = 0;
        for (int i = 0; i < static_cast<int>(corners_.size()); ++i)
            if (!(used_ >> i & 1)) targets |= 1u << corners_[i].begins;
        if (targets == 0) targets = 1u << start_;  // the last side ends where the ring began
        unsigned reach = 1u << colour;
        for (int l = 0; l < places && reach; ++l) reach = successors(reach);
        return (reach & targets) != 0;
    }

    // Every colour of a piece left is joined to `colour` through pieces left.
    bool connected(int colour) const {
        unsigned linked[MAX_COLOURS] = {};
        unsigned needed = 1u << colour;
        for (int a = 0; a < colours_; ++a)
            for (int b = 0; b < colours_; ++b)
                if (count_[a * colours_ + b] > 0) linked[a] |= 1u << b, linked[b] |= 1u << a, needed |= 1u << a | 1u << b;
        for (int i = 0; i < static_cast<int>(corners_.size()); ++i)
            if (!(used_ >> i & 1)) {
                const int a = corners_[i].begins, b = corners_[i].ends;
                linked[a] |= 1u << b, linked[b] |= 1u << a, needed |= 1u << a | 1u << b;
            }
        unsigned seen = 1u << colour, grown = 0;
        while (grown != seen) {
            grown = seen;
            for (int a = 0; a < colours_; ++a)
                if (grown >> a & 1) seen |= linked[a];
        }
        return (needed & ~seen) == 0;
    }

    bool search(int at, int colour) {
        if (steps_ == budget_) {
            outOfSteps_ = true;
            return false;
        }
        ++steps_;
        if (progress_ && steps_ % RIM_PROGRESS_STEPS == 0) progress_(steps_);
        if (at == static_cast<int>(cornerAt_.size())) return colour == start_;
        const int places = placesToCorner_[static_cast<std::size_t>(at)];
        if (!sideCanEnd(colour, places) || !connected(colour)) return false;
        const State key = state(colour);
        if (failed_.count(key)) return false;
        if (cornerAt_[static_cast<std::size_t>(at)]) {
            for (int i = 0; i < static_cast<int>(corners_.size()) && !outOfSteps_; ++i) {
                if ((used_ >> i & 1) || corners_[i].begins != colour || triedBefore(i)) continue;
                used_ |= 1u << i;
                const bool closed = search(at + 1, corners_[i].ends);
                used_ &= ~(1u << i);
                if (closed) return true;
            }
        } else {
            // The kind with most pieces left first: a ring that uses up its
            // plentiful kinds early keeps the rare ones for the places only they fit.
            int order[MAX_COLOURS];
            for (int next = 0; next < colours_; ++next) order[next] = next;
            std::stable_sort(order, order + colours_, [&](int a, int b) {
                return count_[colour * colours_ + a] > count_[colour * colours_ + b];
            });
            for (int k = 0; k < colours_ && !outOfSteps_; ++k) {
                const int next = order[k];
                int& left = count_[colour * colours_ + next];
                if (left == 0) break;
                --left;
                const bool closed = search(at + 1, next);
                ++left;
                if (closed) return true;
            }
        }
        if (!outOfSteps_ && failed_.size() < MAX_REMEMBERED) failed_.insert(key);
        return false;
    }
};

std::string piecesText(const RimPieces& rim) {
    const auto& e = rim.sideEdges;
    return "the " + std::to_string(rim.corners.size()) + " corners and " + std::to_string(rim.edges.size()) +
           " edge pieces (" + std::to_string(e[0]) + ", " + std::to_string(e[1]) + ", " + std::to_string(e[2]) +
           " and " + std::to_string(e[3]) + " on the board's sides)";
}

}  // namespace

RimPieces rimPiecesOf(const PieceList& list, int width, int height) {
    RimPieces rim;
    rim.sideEdges = {width - 2, height - 2, width - 2, height - 2};
    for (const ListPiece& piece : list.pieces) {
        const auto& s = piece.sides;  // top, right, bottom, left
        for (int k = 0; k < 4; ++k) {
            if (s[k] != 0) continue;
            if (s[(k + 1) & 3] == 0) {
                // Borders at k and k + 1, turned to the bottom and the left: top to right.
                rim.corners.push_back({s[(k + 2) & 3], s[(k + 3) & 3]});
                break;
            }
            if (s[(k + 3) & 3] == 0) continue;  // the corner's second border: found at its first
            // The border turned to the bottom: left to right.
            rim.edges.push_back({s[(k + 1) & 3], s[(k + 3) & 3]});
            break;
        }
    }
    return rim;
}

RimProof proveRimCloses(const RimPieces& rim, std::int64_t steps, const std::function<void(std::int64_t)>& progress) {
    RimProof proof;
    std::map<ListColour, std::pair<int, int>> ends;  // colour: pieces it begins, pieces it ends
    for (const auto* pieces : {&rim.corners, &rim.edges})
        for (const RimPiece& p : *pieces) ++ends[p.begins].first, ++ends[p.ends].second;
    for (const auto& [colour, count] : ends) {
        if (count.first == count.second) continue;
        proof.verdict = RimVerdict::CountsDiffer;
        proof.colour = colour;
        proof.begins = count.first;
        proof.ends = count.second;
        return proof;
    }
    RimSearch search(rim, steps, progress);
    proof.verdict = search.run();
    proof.steps = search.steps();
    return proof;
}

std::string rimRefusal(const RimPieces& rim, const RimProof& proof, std::int64_t steps) {
    switch (proof.verdict) {
        case RimVerdict::CountsDiffer:
            return "the rim cannot close: rim colour " + std::to_string(proof.colour) + " begins " +
                   std::to_string(proof.begins) + " rim pieces and ends " + std::to_string(proof.ends) +
                   " (each read counterclockwise round the board); on a closed rim a colour ends as many as it begins";
        case RimVerdict::NeverCloses:
            return "the rim cannot close: no ring of " + piecesText(rim) + " matches at every seam";
        case RimVerdict::Undecided:
            return "no closed rim of " + piecesText(rim) + " found in " + std::to_string(steps) +
                   " search steps, nor shown that none exists; block-solver would hardly close one either";
        case RimVerdict::Closes: break;
    }
    return "";
}

}  // namespace zentara::puzzle_import
