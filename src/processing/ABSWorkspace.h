#pragma once

// The adaptive subtractor's working memory. A call builds its lists here;
// a caller that subtracts many spectra keeps one workspace, so that later
// calls reuse its memory instead of touching fresh pages. One call at a
// time per workspace.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zvraw {

struct ABSWorkspace {
  // The points of one nominal mass: from begin to the next group's begin.
  struct Group {
    int mass;
    std::int64_t begin;
  };

  // One sub-bin's window: the quantiles that are not 0, ascending, at
  // list[begin .. begin + size), negative ones first. The window's other
  // entries are 0 (nominal masses without points in the sub-bin among them).
  // Equal quantiles give equal backgrounds, so their order is left open.
  struct SubBin {
    std::size_t begin = 0;
    std::uint32_t size = 0, negative = 0;
  };

  // A sub-bin's quantile at the nominal mass of the pairs' group.
  struct Pair {
    std::uint32_t bin;
    double quantile;
  };

  std::vector<Group> groups;
  std::vector<std::uint32_t> bins;  // each point's sub-bin; only grows
  std::vector<std::uint32_t> used, points;
  std::vector<SubBin> windows;
  std::vector<double> list;  // the windows' entries, sub-bin by sub-bin; only grows
  std::vector<Pair> pairs;
  std::vector<std::size_t> pairStart;
  std::vector<std::int64_t> order;
};

}  // namespace zvraw
