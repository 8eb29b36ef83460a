#pragma once

// Command ids, numbered as the program's resources have always numbered them;
// documents, menus and keys refer to commands by these numbers only.
namespace vq::cmd {

inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int SaveAsImage = 362;
inline constexpr int Print = 361;
inline constexpr int Preferences = 360;
inline constexpr int ManageRecent = 359;
inline constexpr int RecentFirst = 57616;
inline constexpr int RecentLast = 57631;
inline constexpr int Exit = 57665;

inline constexpr int Undo = 384;
inline constexpr int Redo = 385;
inline constexpr int AddImage = 328;
inline constexpr int Copy = 32780;
inline constexpr int Paste = 32791;
inline constexpr int PasteKey = 422;
inline constexpr int Delete = 32782;

inline constexpr int Overlap = 397;
inline constexpr int GridNone = 329;
inline constexpr int GridCross = 330;
inline constexpr int Grid10 = 331;
inline constexpr int Grid40 = 332;
inline constexpr int Grid70 = 333;
inline constexpr int Grid100 = 334;
inline constexpr int GridButton = 335;
inline constexpr int GridOnTop = 336;
inline constexpr int Snap = 426;
inline constexpr int ToolbarToggle = 59392;
inline constexpr int StatusBarToggle = 59393;
inline constexpr int ViewProperties = 32792;

inline constexpr int StyleWin2000 = 205;
inline constexpr int StyleOfficeXP = 206;
inline constexpr int StyleWinXP = 207;
inline constexpr int StyleOffice2003 = 208;
inline constexpr int StyleVS2005 = 209;
inline constexpr int StyleVS2008 = 210;
inline constexpr int StyleOffice2007Blue = 215;
inline constexpr int StyleOffice2007Black = 216;
inline constexpr int StyleOffice2007Silver = 217;
inline constexpr int StyleOffice2007Aqua = 218;
inline constexpr int StyleWin7 = 219;

inline constexpr int TrimStart = 374;
inline constexpr int TrimCancel = 375;
inline constexpr int TrimExecute = 376;
inline constexpr int TrimLeft = 392;
inline constexpr int TrimTop = 393;
inline constexpr int TrimRight = 394;
inline constexpr int TrimBottom = 395;
inline constexpr int TrimBySize = 396;
inline constexpr int BlurStart = 401;
inline constexpr int BlurCancel = 402;
inline constexpr int BlurExecute = 403;
inline constexpr int BlurSettings = 405;
inline constexpr int MultiStart = 407;
inline constexpr int MultiCancel = 408;
inline constexpr int MultiExecute = 409;
inline constexpr int MultiSettings = 410;

inline constexpr int RotateRight = 364;
inline constexpr int Rotate180 = 365;
inline constexpr int RotateLeft = 366;
inline constexpr int RotateAny = 406;
inline constexpr int FlipHorizontal = 367;
inline constexpr int FlipVertical = 368;

inline constexpr int AlignLeft = 339;
inline constexpr int AlignRight = 340;
inline constexpr int AlignTop = 341;
inline constexpr int AlignBottom = 342;
inline constexpr int CentreVertical = 343;
inline constexpr int CentreHorizontal = 344;
inline constexpr int SpaceVertical = 345;
inline constexpr int SpaceHorizontal = 346;
inline constexpr int SameWidth = 347;
inline constexpr int SameHeight = 348;
inline constexpr int SameSize = 349;

inline constexpr int Manual = 57670;
inline constexpr int About = 57664;

// Reached from the canvas context menus or from keys only.
inline constexpr int SelectAll = 310;
inline constexpr int ToTopLeft = 386;
inline constexpr int BringToFront = 32783;
inline constexpr int SwapPositions = 32784;
inline constexpr int SendToBack = 32785;
inline constexpr int RandomPositions = 411;
inline constexpr int ChangeImage = 32788;
inline constexpr int SaveImageToFile = 32789;
inline constexpr int ImageProperties = 32790;
inline constexpr int RangeWiden = 388;
inline constexpr int RangeNarrow = 389;
inline constexpr int RangeLargest = 387;
inline constexpr int RangeLineColor = 378;
inline constexpr int RangeLineWidth1 = 379;
inline constexpr int RangeLineWidth2 = 380;
inline constexpr int RangeLineWidth3 = 381;
inline constexpr int RangeLineWidth4 = 382;
inline constexpr int RangeLineWidth5 = 383;
inline constexpr int ConsoleAlways = 32773;
inline constexpr int Zoom100 = 32774;
inline constexpr int Zoom200 = 32775;
inline constexpr int Zoom300 = 32776;
inline constexpr int Zoom400 = 32777;
inline constexpr int ZoomFit = 32778;
inline constexpr int ConsoleTopLeft = 32779;
inline constexpr int Zoom50 = 398;
inline constexpr int Zoom25 = 399;
inline constexpr int Zoom10 = 400;
inline constexpr int CancelMode = 423;
inline constexpr int GuideToggle = 424;
inline constexpr int AnimeToggle = 425;

} // namespace vq::cmd
