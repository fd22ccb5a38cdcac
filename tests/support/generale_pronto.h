// The program's state as the window leaves it at start-up: a quiet busy
// box, a private working folder and the window loaded. The files it
// creates go when it does.
#pragma once

#include "app/generale.h"
#include "model/work_folder.h"

namespace zov::test {

struct GeneralePronto {
  GeneralePronto() : work(*WorkFolder::CreatePrivate(nullptr)) {
    g.setBusyBox(&busy);
    g.setWorkFolder(&work);
    g.caricaFinestra();
  }
  ~GeneralePronto() {
    RimuoveFileCreati(work);
    RimuoveFileCreatiUIT(work);
  }
  GeneralePronto(const GeneralePronto&) = delete;
  GeneralePronto& operator=(const GeneralePronto&) = delete;

  Generale g;
  QuietBusyBox busy;
  WorkFolder work;
};

}  // namespace zov::test
