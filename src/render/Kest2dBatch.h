// The quad batch's sizes, primitive kinds and blend modes, shared by the
// drawing operations of the frame.
#pragma once

namespace kest2d {

constexpr int kBatchVertices = 5000;
constexpr int kQuadCapacity = kBatchVertices / 4;  // 1250
constexpr int kLineCapacity = kBatchVertices / 2;  // 2500
// Primitive kinds of the batch.
constexpr int kKindLines = 2;
constexpr int kKindTriangles = 3;
constexpr int kKindQuads = 4;
// Blend modes: untextured primitives and images.
constexpr int kBlendUntextured = 2;
constexpr int kBlendImage = 6;

}  // namespace kest2d
