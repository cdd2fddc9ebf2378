// Forward declarations of the scene graph's classes, for headers that only name them by reference
// or pointer (each is defined in the sx header of its name: TSXSphere in sx/frame.h).
#pragma once

namespace sx {

class TSXFrame;
class TSXMesh;
class TSXRenderingQueue;
class TSXScene;
class TSXStateRestorer;
class TSXTextWriter;
struct TSXSphere;

}  // namespace sx
