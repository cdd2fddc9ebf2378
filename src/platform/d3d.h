// Direct3D 9 for shared code: include this header, never <d3d9.h> or <windows.h> directly.
// Windows: MinGW's <d3d9.h> (the real d3d9.dll). Linux: the project's own <d3d9.h> from
// src/platform/d3d9/include (library d3d9gl), with the same names and values.
//
// <windows.h> defines macros named like the system's own operations (DrawText, LoadBitmap,
// CreateFont, GetObject, ...) and like common parameter names (near, far); they are removed here
// so that shared code can use those names on both targets. Platform code that needs the Windows
// functions calls the explicit A variants (DrawTextA, CreateFontA, ...).
#pragma once

#include <d3d9.h>

#undef DrawText
#undef LoadBitmap
#undef LoadImage
#undef CreateFont
#undef GetObject
#undef GetTextMetrics
#undef TextOut
#undef CreateWindow
#undef GetMessage
#undef SendMessage
#undef PostMessage
#undef MessageBox
#undef GetClassName
#undef LoadIcon
#undef LoadCursor
#undef LoadString
#undef CopyFile
#undef DeleteFile
#undef MoveFile
#undef CreateFile
#undef FindResource
#undef GetCurrentTime
#undef Yield
#undef near
#undef far
#undef ERROR
#undef OPAQUE
#undef TRANSPARENT
