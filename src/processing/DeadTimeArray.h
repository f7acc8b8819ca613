#pragma once

// Dead-time correction table of a counting time-of-flight detector: rows of
// {true rate lambda, peak width sigma, observed rate lambdaPrime, centre shift
// deltaT}. For an observed rate and a width the lookup gives the true rate
// and the shift of the peak centre in flight time (negative: earlier).
//
// Every lookup relies on the table's organisation: rows in blocks of equal
// sigma, blocks in strictly ascending sigma (all above 0), rows within a block
// in strictly ascending lambdaPrime. A table read from a file is not checked
// for it; a badly ordered one gives odd values, never an access outside it.

#include <array>
#include <span>
#include <vector>

class DeadTime {
 public:
  constexpr DeadTime() = default;
  constexpr DeadTime(float lambda, float sigma, float lambdaPrime, float deltaT)
      : m_fLambda(lambda), m_fSigma(sigma), m_fLambdaPrime(lambdaPrime), m_fDeltaT(deltaT) {}

  float& Lambda() { return m_fLambda; }
  float& Sigma() { return m_fSigma; }
  float& LambdaPrime() { return m_fLambdaPrime; }
  float& DeltaT() { return m_fDeltaT; }
  [[nodiscard]] constexpr float Lambda() const { return m_fLambda; }
  [[nodiscard]] constexpr float Sigma() const { return m_fSigma; }
  [[nodiscard]] constexpr float LambdaPrime() const { return m_fLambdaPrime; }
  [[nodiscard]] constexpr float DeltaT() const { return m_fDeltaT; }

 private:
  float m_fLambda = 0.0f;
  float m_fSigma = 0.0f;  // standard deviation of the peak in flight time
  float m_fLambdaPrime = 0.0f;
  float m_fDeltaT = 0.0f;
};

// The built-in table: 17 sigma blocks of 25 rows, sigma-major.
inline constexpr int kDefaultDeadTimeRows = 425;
extern const std::array<DeadTime, kDefaultDeadTimeRows> defaultDeadTime;

class DeadTimeArray {
 public:
  DeadTimeArray() { indexBlocks(); }  // on the built-in table, threshold 0
  // Rows may be owned; copying is not offered.
  DeadTimeArray(const DeadTimeArray&) = delete;
  DeadTimeArray& operator=(const DeadTimeArray&) = delete;

  // Replaces the rows with those of a text file of four numbers per row
  // (lambda, sigma, lambdaPrime, deltaT). Reading stops at the first entry
  // that is not four numbers; one of one to three numbers is a last row with
  // the missing fields 0. No row at all: false, the table stays as it was.
  bool readFromFile(const char* pcFullFileName);

  // A true rate at or above the threshold raises the flag of
  // InterpolateLambda; 0 or below means none.
  float& LambdaThreshold() { return m_fLambdaThreshold; }
  [[nodiscard]] float getLambdaThreshold() const { return m_fLambdaThreshold; }
  [[nodiscard]] bool isInternalTable() const { return !m_bMyTable; }

  // The lookups give 0 (no correction) when the point lies off the table.
  float InterpolateLambda(float fLambdaPrime, float fSigma, bool* pbAboveThreshold = nullptr) const;
  [[nodiscard]] float InterpolateDeltaT(float fLambdaPrime, float fSigma) const;
  // Stricter than the two above: a corner on row 0 gives no correction too.
  void Interpolate(float fLambdaPrime, float fSigma, float& fLambda, float& fDeltaT) const;
  // No wider block, or no row of it above the wanted observed rate.
  [[nodiscard]] bool IsOffTable(float fLambdaPrimeRequired, float fSigmaRequired) const;

 private:
  friend struct DeadTimeArrayInspector;  // tests read the rows

  struct Corners {
    long uu, ul, lu, ll;  // side in lambdaPrime, then side in sigma
  };
  struct UpperWalk {
    long first, last;  // the wider block's rows, -1 when there is none
    long above;        // its first row with lambdaPrime above the wanted one, or -1
  };
  struct Blend {
    bool found;
    float lambda, deltaT;
  };

  [[nodiscard]] DeadTime GetAt(int nIndex) const;
  [[nodiscard]] int GetSize() const { return m_ndtArraySize; }
  [[nodiscard]] long getUpperLambdaPrimeUpperSigma(float fLambdaPrime, float fSigma) const;
  [[nodiscard]] long getLowerLambdaPrimeUpperSigma(float fLambdaPrime, float fSigma) const;
  [[nodiscard]] long getLowerLambdaPrimeLowerSigma(float fLambdaPrime, float fSigma) const;
  [[nodiscard]] long getUpperLambdaPrimeLowerSigma(float fLambdaPrime, float fSigma) const;

  // Consecutive rows of equal sigma; the sigma searches walk these, not
  // every row (their results are the same).
  struct Block {
    float sigma;
    long first, last;
  };
  void indexBlocks();
  [[nodiscard]] const Block* firstBlockAbove(float fSigma) const;  // null: no wider block
  [[nodiscard]] const Block* lastBlockBelow(float fSigma) const;   // null: no narrower block
  [[nodiscard]] UpperWalk upperWalk(float fLambdaPrime, float fSigma) const;
  [[nodiscard]] Corners corners(float fLambdaPrime, float fSigma) const;
  // The one-weight blend of the four corners; found is false when any corner
  // is below minRow.
  [[nodiscard]] Blend blend(float fLambdaPrime, float fSigma, long minRow) const;

  float m_fLambdaThreshold = 0.0f;
  std::span<const DeadTime> m_pdtArray{defaultDeadTime};
  int m_ndtArraySize = kDefaultDeadTimeRows;
  bool m_bMyTable = false;
  std::vector<DeadTime> m_ownedRows;  // the rows of readFromFile
  std::vector<Block> m_blocks;
};
