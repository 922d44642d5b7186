// The per-thread store of freed node blocks: blocks come back to nodes of their own size, the
// store stays within its limit, and nodes may be freed on any thread.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "core/EntryPoints.h"
#include "core/NodeMemory.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

using TNodes = std::vector<std::unique_ptr<TExpression>>;

// Nodes of several classes and sizes, interleaved.
TNodes MakeNodes(int count) {
  TNodes nodes;
  for (int i = 0; i < count; ++i) {
    if (i % 3 == 0) nodes.push_back(CreateRealExp(i + 0.5));
    else if (i % 3 == 1) nodes.push_back(TranslateExp(std::to_string(i) + " * 2 + Max(1, 3)"));
    else nodes.push_back(CreateStrExp(std::string(i % 50 + 2, 'x')));
  }
  return nodes;
}

}  // namespace

TEST(NodeMemory, FreedBlocksComeBackToNodesOfTheirSizeWithinTheLimit) {
  if (!NodeMemoryKeepsBlocks()) GTEST_SKIP() << "this build gives every node to the allocator";
  TExpression* freed = CreateRealExp(1).release();
  delete freed;
  std::unique_ptr<TExpression> again = CreateRealExp(2);
  EXPECT_EQ(again.get(), freed);
  EXPECT_EQ(again->SyncFlag, kFreshStamp);
  EXPECT_EQ(again->GetReal(), 2);

  TNodes nodes = MakeNodes(3000);
  nodes.clear();
  EXPECT_LE(NodeMemoryKept(), NodeMemoryKeptAtMost());
  EXPECT_GT(NodeMemoryKept(), NodeMemoryKeptAtMost() - 1024);
  // Trees built again from the kept blocks hold what they were given.
  nodes = MakeNodes(3000);
  for (int i = 0; i < 3000; ++i) {
    TExpression& node = *nodes[i];
    if (i % 3 == 0) EXPECT_EQ(node.GetReal(), i + 0.5);
    else if (i % 3 == 1) EXPECT_TRUE(!ExpEvaluate(node, kForceStamp) && node.GetInteger() == i * 2 + 3);
    else EXPECT_EQ(node.GetString(), std::string(i % 50 + 2, 'x'));
  }
}

TEST(NodeMemory, NodesMayBeFreedOnAnotherThread) {
  // Made on worker threads (which end, handing back their kept blocks) and freed here, and made
  // here and freed there, by several threads at once.
  std::vector<TNodes> made(4);
  std::vector<std::thread> workers;
  for (TNodes& nodes : made)
    workers.emplace_back([&nodes] {
      for (int i = 0; i < 500; ++i) nodes.push_back(CreateRealExp(i));
      TNodes scratch;
      for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 100; ++i) scratch.push_back(CreateIntExp(i));
        scratch.clear();
      }
    });
  for (std::thread& worker : workers) worker.join();
  for (TNodes& nodes : made) {
    EXPECT_EQ(nodes[499]->GetReal(), 499);
    nodes.clear();
  }
  EXPECT_LE(NodeMemoryKept(), NodeMemoryKeptAtMost());

  TNodes mine;
  for (int i = 0; i < 2000; ++i) mine.push_back(CreateIntExp(i));
  std::thread([&mine] { mine.clear(); }).join();
  EXPECT_TRUE(mine.empty());
}
