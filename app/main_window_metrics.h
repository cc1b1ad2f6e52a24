#pragma once
// The main window's designed sizes, in pixels, shared by the files that
// build and lay out its parts.

namespace korvex::window_metrics {

// Client area below the menu bar, as the window was designed.
inline constexpr int ClientWidth = 693;
inline constexpr int ClientHeight = 566;
inline constexpr int ToolStripHeight = 33;
inline constexpr int ToolButtonSize = 25;
inline constexpr int StatusBarHeight = 16;
// The left pane: its width at start, the bar under the tree and the one
// along its right edge.
inline constexpr int LeftPaneStartWidth = 233;
inline constexpr int SplitterStartTop = 288;
inline constexpr int DragBarThickness = 4;
inline constexpr int WidthSplitterWidth = 6;
inline constexpr int NarrowestPane = 100;
inline constexpr int NarrowestDraggedBar = 106;
// The view always keeps this much width beside the pane.
inline constexpr int NarrowestView = 160;
// The smallest window: the pane with its tree and the whole options tab,
// and the view beside it.
inline constexpr int SmallestWindowWidth = 480;
inline constexpr int SmallestWindowHeight = 420;
// The part options panel as designed; it narrows to its controls in a
// narrow pane.
inline constexpr int OptionsPanelWidth = 217;
// The narrowest column of the part tree.
inline constexpr int VertexColumnMinimum = 80;

}  // namespace korvex::window_metrics
