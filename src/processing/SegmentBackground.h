#pragma once

// Segment background subtraction: the points are cut into equal segments, a
// low quantile of each segment's intensities becomes a knot, and a
// Catmull-Rom cubic through the knots is subtracted; the passes repeat on
// what remains until the knots of the residual are small next to those of
// the first pass.

// |m0| segments; m0 > 0 extrapolates the end knots linearly, m0 < 0 keeps
// them flat. below (clamped to 0 .. 1) is the fraction of each segment's
// points meant to lie under the background; tol is the quantile search's
// absolute tolerance and the relative stop threshold. back receives the
// background summed over the passes, dsub data minus back; work holds
// |m0| + 4 knots. Returns the passes run: p + 1 when pass p's knots sum (in
// magnitude) to less than tol times the first pass's, 41 when 40 passes
// never get there. 0 at once for n <= 0 or a null data, back or dsub; 0
// with back all 0 and dsub a copy of data for m0 = 0 or a null work. A
// segment without points takes the knot of the nearest one before it that
// has points (after it, for leading ones).
long killsub(const float* data, float* back, float* dsub, long n, long m0, float below, float tol, float* work);
