#pragma once

// Numerical helpers of the calibration covariance: polynomial and Legendre
// bases, the covariance of a least-squares fit from its singular value
// decomposition, a natural cubic spline, and small symmetric-matrix work.
//
// Packed symmetric storage is the lower triangle row by row: (0,0), (1,0),
// (1,1), (2,0), ... Full matrices are row-major; a symmetric one lives in its
// diagonal and upper triangle. Every routine checks its spans against the
// sizes it is given and does nothing (or reports failure) when they fall short.

#include <cstddef>
#include <span>
#include <vector>

// Entries of a packed symmetric matrix of the given dimension.
[[nodiscard]] constexpr std::size_t packedCount(std::size_t dim) { return dim * (dim + 1) / 2; }
[[nodiscard]] constexpr std::size_t packedIndex(std::size_t i, std::size_t j) { return i * (i + 1) / 2 + j; }  // j <= i

// p[i] = x^i for i = 0 .. nOrder.
void CalPoly(double x, std::span<double> p, int nOrder);
// p[k] = Legendre polynomial Pk(x) for k = 0 .. nOrder.
void CalLegPoly(double x, std::span<double> p, int nOrder);
// Packed rows of the power coefficients of P0 .. PnOrder: row k holds the
// coefficients of x^0 .. x^k.
void calLegCoeffs(int nOrder, std::span<double> L);

// Covariance of the nDim fitted coefficients, packed: scale x V diag(1/W^2)
// V^T, a W of 0 or below left out. Indices of V and W run from nOffset.
// False (output untouched) for a null V, W or row.
bool svdvar(const double* const* V, const double* W, int nDim, double scale, std::span<double> output, int nOffset);
// Turns the packed covariance of Legendre coefficients into that of power
// coefficients of the same variable, in place.
void convert(int nOrder, std::span<double> covariances);

// Second derivatives of the natural cubic spline through (X, Y).
[[nodiscard]] std::vector<double> spline(std::span<const double> X, std::span<const double> Y, int n);
// The spline's value at x within [X[i], X[i+1]].
[[nodiscard]] double splint(std::span<const double> X, std::span<const double> Y, std::span<const double> Y2, double x,
                            int i);
// j with X[j] <= x <= X[j+1] in ascending X, hunting up from guess (a
// negative guess searches the whole range); -1 when x lies outside.
[[nodiscard]] int locate(std::span<const double> X, int n, double x, int guess);

// Inverts a symmetric positive definite n x n matrix in place by Cholesky
// factorisation; reads the diagonal and upper triangle, writes both
// triangles. -1 when a pivot is not above 0 (A then partly overwritten).
int Syminv(std::span<double> A, int n);
// Removes row and column k of an n x n matrix: (n-1) x (n-1), rows n-1 long.
bool Del(std::span<double> A, int n, int k);
// Inserts a zero row and column k into an n x n matrix: (n+1) x (n+1).
bool Pad(std::span<double> A, int n, int k);
// Packed (i, j), j <= i, to and from row j, column i of an n x n matrix.
bool Expand(std::span<double> A, std::span<const double> packed, int n);
bool Contract(std::span<const double> A, std::span<double> packed, int n);
