#pragma once

// One entry of a data-dependent run's time-ordered list: a survey (MS1) scan,
// or a run of consecutive fragment (MS2) scans with one set mass. The list
// and the calls reading it share the entries; IsMS1 tells the kind.

namespace Vardex::Lib::ZorvalenRaw {

class DDAScan {
 public:
  DDAScan() = default;
  DDAScan(float rt, int function, int scan) : _rt(rt), _function(function), _startScan(scan), _endScan(scan) {}
  DDAScan(const DDAScan&) = default;
  DDAScan& operator=(const DDAScan&) = default;
  virtual ~DDAScan() = default;

  [[nodiscard]] virtual bool IsMS1() const { return true; }

  [[nodiscard]] float GetRT() const { return _rt; }
  void SetRT(float rt) { _rt = rt; }
  [[nodiscard]] int GetFunction() const { return _function; }
  void SetFunction(int function) { _function = function; }
  [[nodiscard]] int GetStartScan() const { return _startScan; }
  void SetStartScan(int scan) { _startScan = scan; }
  [[nodiscard]] int GetEndScan() const { return _endScan; }
  void SetEndScan(int scan) { _endScan = scan; }

 private:
  float _rt = 0.0f;
  int _function = -1;
  int _startScan = -1;
  int _endScan = -1;
};

class DDAMS2Scan : public DDAScan {
 public:
  using DDAScan::DDAScan;

  [[nodiscard]] bool IsMS1() const override { return false; }

  [[nodiscard]] float GetSetMass() const { return _setMass; }
  void SetSetMass(float mass) { _setMass = mass; }
  // The retention time of the MS1 entry before this one in the list.
  [[nodiscard]] float GetSurveyRT() const { return _surveyRT; }
  void SetSurveyRT(float rt) { _surveyRT = rt; }

 private:
  float _setMass = 0.0f;
  float _surveyRT = 0.0f;
};

}  // namespace Vardex::Lib::ZorvalenRaw
