// A panel: a container with an optional bevel and a centred caption.
#pragma once

#include "toolkit/Control.h"

namespace toolkit {

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TControl {
 public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  const char* ClassName() const override { return "TPanel"; }

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
};

}  // namespace toolkit
