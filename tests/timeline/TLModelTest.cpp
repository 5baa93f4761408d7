#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TimelineFixture.h"
#include "timeline/TLModel.h"

namespace {

using tltest::ComPtr;

// Video groups "V" (tracks "V0", "V1") and "W" (track "W0"), items named after where they sit.
class TLModelTest : public tltest::TimelineTest {
 protected:
  void SetUp() override {
    TimelineTest::SetUp();
    v = AddGroup(L"V", 2);
    w = AddGroup(L"W", 1);
    v0 = Track(v.Get(), 0);
    v1 = Track(v.Get(), 1);
    w0 = Track(w.Get(), 0);
    SetName(v0.Get(), L"V0");
    SetName(v1.Get(), L"V1");
    SetName(w0.Get(), L"W0");
    // Added out of time order: the tree lists sources and transitions by time.
    AddSource(v1.Get(), 1000000, 3000000, L"late");
    early = AddSource(v1.Get(), 0, 1000000, nullptr, L"C:\\media\\early.avi");
    effect = AddEffect(v1.Get(), 0, 2000000, L"fx");
    AddTransition(v1.Get(), 2500000, 3000000, L"fade");
    AddTransition(v1.Get(), 200000, 400000, L"wipe");
    AddSource(v0.Get(), 0, 500000, L"v0src");
    wsrc = AddSource(w0.Get(), 4000000, 7500000, L"wsrc");
  }

  ComPtr<IAMTimelineObj> v, w, v0, v1, w0, early, effect, wsrc;
  CTLModel model;
};

// A node as "kind:name", items with their times.
std::wstring Label(const TLNode& node) {
  const std::wstring times = L" " + std::to_wstring(node.start) + L"-" + std::to_wstring(node.stop);
  switch (node.type) {
    case kTLGroup: return L"G:" + tltest::TimelineTest::NameOf(node.object.Get());
    case kTLTrack: return L"T:" + tltest::TimelineTest::NameOf(node.object.Get());
    case kTLSource: return L"S:" + node.name + times;
    case kTLEffect: return L"E:" + node.name + times;
    case kTLTransition: return L"X:" + node.name + times;
  }
  return L"?";
}

std::vector<std::wstring> Walk(CTLModel& model, uint32_t mask) {
  std::vector<std::wstring> seen;
  ForEachNode(model, mask, [&](TLNode& n) {
    seen.push_back(Label(n));
    return 0;
  });
  return seen;
}

TEST_F(TLModelTest, RebuildReadsTheTreeInMicrosecondsVisitsItByGroupThenTrackAndKeepsTheLargestStop) {
  CTLModel empty;
  EXPECT_EQ(0, empty.Rebuild(nullptr));
  EXPECT_EQ(0, empty.LargestStop());

  // Reference times are truncated, not rounded, to microseconds. Sources and transitions are
  // listed by time; a source without a user name shows its media file.
  ASSERT_EQ(S_OK, effect->SetStartStop(5000009, 19999999));
  ASSERT_EQ(2, model.Rebuild(timeline.Get()));
  ASSERT_EQ(2, model.GroupCount());
  EXPECT_EQ((std::vector<std::wstring>{L"S:v0src 0-500000", L"T:V0", L"S:C:\\media\\early.avi 0-1000000",
                                       L"S:late 1000000-3000000", L"E:fx 500000-1999999", L"X:wipe 200000-400000",
                                       L"X:fade 2500000-3000000", L"T:V1", L"G:V", L"S:wsrc 4000000-7500000", L"T:W0",
                                       L"G:W"}),
            Walk(model, kTLAllKinds));
  const TLNode& group = model.Group(0);
  EXPECT_EQ(group.object.Get(), v.Get());
  EXPECT_EQ(group.tracks[1].object.Get(), v1.Get());
  EXPECT_EQ(group.tracks[1].sources[0].object.Get(), early.Get());
  EXPECT_FALSE(group.tracks[1].sources[0].selected);
  EXPECT_EQ(7500000, model.LargestStop());

  // The mask picks kinds; the results add up, and clearing reports only flags that were set.
  EXPECT_EQ((std::vector<std::wstring>{L"E:fx 500000-1999999", L"G:V", L"G:W"}), Walk(model, kTLEffect | kTLGroup));
  EXPECT_TRUE(Walk(model, 0).empty());
  EXPECT_EQ(2 * 12, ForEachNode(model, kTLAllKinds, [](TLNode&) { return 2; }));
  model.Group(0).tracks[1].effects[0].selected = true;
  model.Group(1).tracks[0].sources[0].selected = true;
  model.Group(1).selected = true;
  EXPECT_EQ(2, ForEachNode(model, kTLItems, ClearSelection));
  EXPECT_EQ(0, ForEachNode(model, kTLItems, ClearSelection));
  EXPECT_FALSE(model.Group(0).tracks[1].effects[0].selected);
  EXPECT_TRUE(model.Group(1).selected);

  // A second rebuild replaces the tree rather than adding to it; the largest stop stays.
  ASSERT_EQ(S_OK, wsrc->RemoveAll());
  ASSERT_EQ(2, model.Rebuild(timeline.Get()));
  EXPECT_TRUE(model.Group(1).tracks[0].sources.empty());
  EXPECT_EQ(2u, model.Group(0).tracks[1].sources.size());
  ASSERT_EQ(S_OK, timeline->ClearAllGroups());
  EXPECT_EQ(0, model.Rebuild(timeline.Get()));
  EXPECT_EQ(0, model.GroupCount());
  EXPECT_EQ(7500000, model.LargestStop());
}

TEST_F(TLModelTest, FindNodePositionLocatesEveryKindByIdentity) {
  int group = 7, track = 7;
  EXPECT_EQ(-1, FindNodePosition(model, nullptr, &group, &track));
  EXPECT_EQ(7, group);
  EXPECT_EQ(7, track);
  TLNode loose;
  loose.type = kTLTrack;
  EXPECT_EQ(-1, FindNodePosition(model, &loose, &group, &track));
  EXPECT_EQ(-1, group);
  EXPECT_EQ(-1, track);

  ASSERT_EQ(2, model.Rebuild(timeline.Get()));
  struct Case {
    const TLNode* node;
    int group, track;
  } cases[] = {{&model.Group(0), 0, -1},
               {&model.Group(1), 1, -1},
               {&model.Group(0).tracks[0], 0, 0},
               {&model.Group(0).tracks[1], 0, 1},
               {&model.Group(1).tracks[0], 1, 0},
               {&model.Group(0).tracks[1].sources[1], 0, 1},
               {&model.Group(0).tracks[0].sources[0], 0, 0},
               {&model.Group(0).tracks[1].effects[0], 0, 1},
               {&model.Group(0).tracks[1].transitions[1], 0, 1},
               {&model.Group(1).tracks[0].sources[0], 1, 0}};
  for (const Case& c : cases) {
    group = track = 7;
    EXPECT_EQ(0, FindNodePosition(model, c.node, &group, &track)) << Label(*c.node);
    EXPECT_EQ(c.group, group) << Label(*c.node);
    EXPECT_EQ(c.track, track) << Label(*c.node);
  }

  // A copy of a node looks the same but is not in the tree; nor is a source claimed to be
  // an effect.
  TLNode copy = model.Group(1).tracks[0];
  EXPECT_EQ(-1, FindNodePosition(model, &copy, &group, &track));
  EXPECT_EQ(-1, group);
  TLNode& source = model.Group(0).tracks[1].sources[0];
  source.type = kTLEffect;
  EXPECT_EQ(-1, FindNodePosition(model, &source, &group, &track));
  EXPECT_EQ(-1, track);
}

}  // namespace
