# The tests that take longest, with their cost in seconds, roughly: CTest
# starts the costliest first, so that a parallel run does not end waiting for
# one of them. On later runs in the same build CTest goes by the times it
# measured itself.
set_tests_properties(
  DesktopRun.QuitLeavesOneRetainedWallpaperThatACompositorStartedLaterShows
  DesktopRun.ThePublishedPixmapIsNeverDrawnIntoWhileNamed
  FarRows.FramesArePixelForPixelTheWalks
  RenderX.BoundedPolygonRowsMatchTheServersFill
  PROPERTIES COST 20)
set_tests_properties(
  DesktopFrames.PartialPaintsEqualFullRepaintsOnEveryMonitorThroughScreenChanges
  DesktopRun.SignalsEndARunWithStatusZeroAndPutTheWallpaperBack
  DesktopRun.CompositorsShowTheCrawlAlsoWhenRestarted
  DesktopRun.EachMonitorHasAFloorOfItsOwnAndResizesAreFollowed
  ProgramRun.RootModeHandlesNoKeys
  BadInput.ExtremeOptionValues
  Flying.EveryScriptFliesWithTheDefaultFont
  Flying.Utf8TextFliesAsIso8859InTheCLocale
  RowIndex.NegativeLineSpacesThatMoveThePenBackUp
  PROPERTIES COST 8)
