// The tile list's work that needs the view: its transform and the tiles' renderer resources.
#pragma once

#include "view/TileRules.h"
#include "view/ViewWindow.h"

class ViewTileHost final : public TileHost {
public:
    explicit ViewTileHost(ViewWindow* owner) : view(owner) {}
    DocRect DocRectOf(const TileRect& rect) override { return view->DocRectFromWindow(rect); }
    void SetTileArea(RenderTile* tile, const TileRect& rect, const DocRect& docRect) override {
        view->SetTileArea(tile, rect, docRect);
    }
    void DestroyTile(RenderTile* tile) override { view->DestroyTile(tile); }

private:
    ViewWindow* view;
};
