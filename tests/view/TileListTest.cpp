// Clipping, trimming, merging and shifting of render tiles, and what a tick does with a slice
// result; the renderer side of the tiles is replaced by a recording host.
#include <gtest/gtest.h>

#include <vector>

#include "view/TileRules.h"

void PrintTo(const TileRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

// Document rectangles are the window rectangles scaled by 10, so a recomputed one can be told
// from a kept one.
class RecordingHost final : public TileHost {
public:
    std::vector<TileRect> areas;              // every SetTileArea, in order
    std::vector<const RenderTile*> destroyed; // every DestroyTile, in order

    DocRect DocRectOf(const TileRect& r) override {
        return DocRect{r.left * 10, r.bottom * 10, r.right * 10, r.top * 10};
    }
    void SetTileArea(RenderTile* tile, const TileRect& rect, const DocRect& docRect) override {
        areas.push_back(rect);
        tile->rect = rect;
        tile->prepared = 0;
        tile->docRect = docRect;
    }
    void DestroyTile(RenderTile* tile) override {
        destroyed.push_back(tile);
        delete tile;
    }
};

RenderTile* NewTile(TileRect rect, int32_t prepared = 0) {
    RenderTile* tile = new RenderTile();
    tile->rect = rect;
    tile->prepared = prepared;
    tile->docRect = DocRect{-1, -1, -1, -1};
    return tile;
}

struct ListFixture : ::testing::Test {
    RecordingHost host;
    TileList list{nullptr, 100, 100};

    ~ListFixture() override { list.ClearTiles(host); }

    std::vector<TileRect> Rects() const {
        std::vector<TileRect> rects;
        for (RenderTile* t = list.head; t != nullptr; t = t->next) {
            rects.push_back(t->rect);
        }
        return rects;
    }
    // Puts a tile straight into the list (as an earlier insertion would have).
    RenderTile* Existing(TileRect rect, int32_t prepared) {
        RenderTile* tile = NewTile(rect, prepared);
        tile->next = list.head;
        list.head = tile;
        return tile;
    }
};

using RectList = std::vector<TileRect>;

TEST(RectangleRules, IntersectCollapsesWhenApart) {
    struct Case {
        TileRect a, b, result;
        int32_t area;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}, 25},
        {{0, 0, 10, 10}, {20, 30, 40, 50}, {10, 10, 10, 10}, 0},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}, 0},
        {{-20, -20, 50, 50}, {0, 0, 100, 100}, {0, 0, 50, 50}, 2500},
        {{0, 20, 10, 30}, {0, 0, 10, 10}, {0, 10, 10, 10}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IntersectRects(c.a, c.b), c.result);
        EXPECT_EQ(RectArea(IntersectRects(c.a, c.b)), c.area);
    }
}

TEST(RectangleRules, PointsOnTheEdgesAreInside) {
    const TileRect r{0, 0, 100, 50};
    EXPECT_TRUE(PointInRect(r, 0, 0));
    EXPECT_TRUE(PointInRect(r, 100, 50));
    EXPECT_TRUE(PointInRect(r, 100, 0));
    EXPECT_FALSE(PointInRect(r, 101, 0));
    EXPECT_FALSE(PointInRect(r, 0, -1));
}

TEST(RectangleRules, TrimCutsACoveredSide) {
    struct Case {
        const char* name;
        TileRect a, b;
        bool trimmed;
        TileRect result;
    } cases[] = {
        {"top covered", {0, 0, 100, 80}, {0, 0, 100, 50}, true, {0, 50, 100, 80}},
        {"bottom covered", {0, 0, 100, 80}, {0, 60, 100, 100}, true, {0, 0, 100, 60}},
        {"left covered", {0, 0, 100, 80}, {-5, -5, 30, 90}, true, {30, 0, 100, 80}},
        {"right covered", {0, 0, 100, 80}, {70, 0, 120, 80}, true, {0, 0, 70, 80}},
        {"one corner only", {0, 0, 100, 80}, {50, 40, 150, 150}, false, {0, 0, 100, 80}},
        {"nothing would remain", {0, 0, 100, 80}, {0, 0, 100, 80}, false, {0, 0, 100, 80}},
        {"b inside a", {0, 0, 100, 80}, {10, 10, 20, 20}, false, {0, 0, 100, 80}},
        {"top and left", {0, 0, 100, 80}, {0, 0, 100, 80}, false, {0, 0, 100, 80}},
    };
    for (const auto& c : cases) {
        TileRect out{};
        EXPECT_EQ(TrimmedRect(c.a, c.b, &out), c.trimmed) << c.name;
        EXPECT_EQ(out, c.result) << c.name;
    }
}

TEST(RectangleRules, MergeNeedsACloseBoundingBoxAndAnUnpreparedOrSmallTile) {
    struct Case {
        int32_t aN, aT, aU, prepared;
        bool merge;
    } cases[] = {
        {200, 100, 399, 0, true},                       // 3 * 399 < 4 * 300
        {200, 100, 400, 0, false},                      // 1200 is not below 1200
        {100, 100, 10000, 0, false},                    // far apart
        {3000, 5000, 8000, 1, false},                   // prepared and large
        {3000, 1400, 4400, 1, true},                    // prepared but under half the new tile
        {3000, 999, 3999, 1, true},                     // prepared but under 1000
        {3000, 1500, 4500, 1, false},                   // exactly half is not less
        {0x40000000, 0x40000000, 0x50000000, 0, false}, // unsigned 32-bit products
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShouldMergeTiles(c.aN, c.aT, c.aU, c.prepared), c.merge)
            << c.aN << " " << c.aT << " " << c.aU << " " << c.prepared;
    }
}

TEST(SliceResults, DecideWhatATickDoes) {
    struct Case {
        int32_t result;
        bool present, remove, ready;
    } cases[] = {
        {0x18, true, true, true},
        {0x0C, true, true, false},
        {0x10, true, false, false},
        {0x04, false, false, false},
        {0x08, true, true, true},
        {0x1C, true, true, false},
        {0x00, false, false, false},
        {-1, false, false, false},
        {int32_t(0x80000018), false, false, false},
        {0x14, true, false, false},
    };
    for (const auto& c : cases) {
        SliceActions a = ActionsForSlice(c.result);
        EXPECT_EQ(a.present, c.present) << c.result;
        EXPECT_EQ(a.remove, c.remove) << c.result;
        EXPECT_EQ(a.makeReady, c.ready) << c.result;
    }
}

TEST_F(ListFixture, AnEmptyListTakesATileOfAnyArea) {
    RenderTile* empty = NewTile({10, 10, 10, 30});
    list.InsertTile(host, empty);
    EXPECT_EQ(list.head, empty);
    EXPECT_EQ(Rects(), (RectList{{10, 10, 10, 30}}));
    // With a tile present, a tile without area is discarded.
    RenderTile* second = NewTile({50, 50, 60, 50});
    list.InsertTile(host, second);
    EXPECT_EQ(host.destroyed, (std::vector<const RenderTile*>{second}));
    EXPECT_EQ(Rects(), (RectList{{10, 10, 10, 30}}));
}

TEST_F(ListFixture, NullIsIgnored) {
    list.InsertTile(host, nullptr);
    EXPECT_EQ(list.head, nullptr);
}

TEST_F(ListFixture, ATileInsideAnotherIsDiscarded) {
    Existing({0, 0, 100, 100}, 1);
    RenderTile* inner = NewTile({10, 10, 20, 20});
    list.InsertTile(host, inner);
    EXPECT_EQ(host.destroyed, (std::vector<const RenderTile*>{inner}));
    EXPECT_EQ(Rects(), (RectList{{0, 0, 100, 100}}));
    EXPECT_TRUE(host.areas.empty()) << "the existing tile keeps rendering";
}

TEST_F(ListFixture, TrimmedThenMergedWithAnUnpreparedTile) {
    RenderTile* old = Existing({0, 0, 100, 50}, 0);
    RenderTile* added = NewTile({0, 0, 100, 80});
    list.InsertTile(host, added);
    EXPECT_EQ(host.areas, (RectList{{0, 50, 100, 80}, {0, 0, 100, 80}}));
    EXPECT_EQ(host.destroyed, (std::vector<const RenderTile*>{added}));
    ASSERT_EQ(list.head, old);
    EXPECT_EQ(old->next, nullptr);
    EXPECT_EQ(Rects(), (RectList{{0, 0, 100, 80}}));
    EXPECT_EQ(old->docRect.x1, 1000) << "the merged tile shows the union";
    EXPECT_EQ(old->docRect.y0, 800);
}

TEST_F(ListFixture, TrimmedTileGoesBesideAPreparedOne) {
    Existing({0, 0, 100, 50}, 1);
    RenderTile* added = NewTile({0, 0, 100, 80});
    list.InsertTile(host, added);
    EXPECT_TRUE(host.destroyed.empty());
    EXPECT_EQ(list.head, added);
    EXPECT_EQ(Rects(), (RectList{{0, 50, 100, 80}, {0, 0, 100, 50}}));
    EXPECT_EQ(added->docRect.y1, 500) << "recomputed for the trimmed area";
}

TEST_F(ListFixture, DistantTilesStaySeparate) {
    Existing({0, 0, 10, 10}, 0);
    list.InsertTile(host, NewTile({90, 90, 100, 100}));
    EXPECT_EQ(Rects(), (RectList{{90, 90, 100, 100}, {0, 0, 10, 10}}));
    EXPECT_TRUE(host.destroyed.empty());
}

TEST_F(ListFixture, TwoUnpreparedNeighboursMerge) {
    list.width = 200;
    list.height = 50;
    RenderTile* left = Existing({0, 0, 100, 50}, 0);
    list.InsertTile(host, NewTile({100, 0, 200, 50}));
    EXPECT_EQ(list.head, left);
    EXPECT_EQ(Rects(), (RectList{{0, 0, 200, 50}}));
}

TEST_F(ListFixture, APreparedSmallTileIsMergedAnyway) {
    Existing({0, 0, 20, 20}, 1);
    list.InsertTile(host, NewTile({20, 0, 40, 20}));
    EXPECT_EQ(Rects(), (RectList{{0, 0, 40, 20}}));
    EXPECT_EQ(list.head->prepared, 0) << "a merged tile starts afresh";
}

TEST_F(ListFixture, AGrownTileIsComparedWithTheRestOfTheList) {
    Existing({40, 0, 60, 20}, 0); // merges with the grown tile only
    Existing({0, 0, 20, 20}, 0);
    list.InsertTile(host, NewTile({20, 0, 40, 20}));
    EXPECT_EQ(Rects(), (RectList{{0, 0, 60, 20}}));
    EXPECT_EQ(host.destroyed.size(), 2u);
}

TEST_F(ListFixture, NewTilesAreClippedToTheWindowWithANewDocRect) {
    RenderTile* tile = NewTile({-20, -20, 50, 50});
    list.InsertTile(host, tile);
    EXPECT_EQ(Rects(), (RectList{{0, 0, 50, 50}}));
    EXPECT_EQ(host.areas, (RectList{{0, 0, 50, 50}}));
    EXPECT_EQ(tile->docRect.x0, 0);
    EXPECT_EQ(tile->docRect.y0, 500);
    EXPECT_EQ(tile->docRect.x1, 500);
    EXPECT_EQ(tile->docRect.y1, 0);
}

TEST_F(ListFixture, ATileInsideTheWindowKeepsItsContext) {
    RenderTile* tile = NewTile({0, 0, 100, 100}, 1);
    list.InsertTile(host, tile);
    EXPECT_TRUE(host.areas.empty());
    EXPECT_EQ(tile->prepared, 1);
}

TEST_F(ListFixture, ShiftMovesTilesAndDropsThoseThatLeave) {
    RenderTile* edge = Existing({95, 0, 100, 50}, 1);
    RenderTile* moved = Existing({0, 0, 50, 50}, 1);
    list.ShiftTiles(host, 10, 0);
    EXPECT_EQ(host.destroyed, (std::vector<const RenderTile*>{edge}));
    EXPECT_EQ(Rects(), (RectList{{10, 0, 60, 50}}));
    EXPECT_EQ(moved->prepared, 1);
    EXPECT_TRUE(host.areas.empty()) << "moved, not restarted";
}

TEST_F(ListFixture, ShiftKeepsTilesThatStickOut) {
    Existing({0, 0, 50, 50}, 1);
    Existing({60, 60, 100, 100}, 1);
    list.ShiftTiles(host, -30, 45); // the second tile's top reaches the window's bottom
    EXPECT_EQ(Rects(), (RectList{{-30, 45, 20, 95}}));
    EXPECT_EQ(host.destroyed.size(), 1u);
}

TEST_F(ListFixture, RemoveAndContainsCompareAddresses) {
    RenderTile* a = Existing({0, 0, 10, 10}, 0);
    RenderTile* b = Existing({20, 0, 30, 10}, 0);
    RenderTile stranger{};
    EXPECT_EQ(list.ContainsTile(a), 1);
    EXPECT_EQ(list.ContainsTile(&stranger), 0);
    list.RemoveTile(host, &stranger);
    EXPECT_TRUE(host.destroyed.empty());
    list.RemoveTile(host, a);
    EXPECT_EQ(host.destroyed, (std::vector<const RenderTile*>{a}));
    EXPECT_EQ(list.head, b);
    EXPECT_EQ(b->next, nullptr);
    list.ClearTiles(host);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(host.destroyed.size(), 2u);
}

} // namespace
