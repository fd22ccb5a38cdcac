// A petal model shaped like Rose writes them, of about the size asked for:
// use cases with documentation and a sequence diagram each, classes with
// operations, parameters and attributes.
#pragma once

#include <cstdio>
#include <string>

namespace zov::bench {

inline std::string Quid(int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%012llX", 0x5B0000000ULL + static_cast<unsigned long long>(n));
  return b;
}

inline std::string SyntheticPetal(std::size_t bytes) {
  std::string t =
      "(object Petal\n    version    \t47\n    charSet    \t0)\n\n(object Design \"Logical View\"\n"
      "    root_usecase_package \t(object Class_Category \"Use Case View\"\n\tquid       \t\"" +
      Quid(0) + "\"\n\tlogical_models \t(list unit_reference_list\n";
  int q = 1, label = 1;
  for (int u = 0; t.size() < bytes; ++u) {
    const std::string cls = Quid(q++), op = Quid(q++), par = Quid(q++), attr = Quid(q++);
    t += "\t    (object Class \"Service" + std::to_string(u) + "\"\n\t\tquid       \t\"" + cls +
         "\"\n\t\toperations \t(list Operations\n\t\t    (object Operation \"call\"\n\t\t\tquid       \t\"" + op +
         "\"\n\t\t\tparameters \t(list Parameters\n\t\t\t    (object Parameter \"amount\"\n\t\t\t\tquid       \t\"" +
         par +
         "\"\n\t\t\t\ttype       \t\"Integer\"))\n\t\t\tconcurrency \t\"Sequential\"\n\t\t\tuid        \t0))\n"
         "\t\tclass_attributes \t(list class_attribute_list\n\t\t    (object ClassAttribute \"amount\"\n\t\t\tquid   "
         "    \t\"" +
         attr +
         "\"\n\t\t\tdocumentation \t\"DEF(1,2,3)\"\n\t\t\ttype       \t\"Integer\"\n\t\t\tinitv      \t\"0\")))\n";
    const std::string uc = Quid(q++), a = Quid(q++), b = Quid(q++), link = Quid(q++), diagram = Quid(q++);
    const int mech = label++;
    t += "\t    (object UseCase \"Use case " + std::to_string(u) + "\"\n\t\tquid       \t\"" + uc +
         "\"\n\t\tdocumentation \t\n|WGH=5 A use case of the synthetic model.\n|Second line of text.\n\t\t\n"
         "\t\tlogical_models \t(list unit_reference_list\n\t\t    (object Mechanism @" +
         std::to_string(mech) +
         "\n\t\t\tlogical_models \t(list unit_reference_list\n\t\t\t    (object Object \"client\"\n\t\t\t\tquid      "
         " \t\"" +
         a + "\"\n\t\t\t\tcollaborators \t(list link_list\n\t\t\t\t    (object Link\n\t\t\t\t\tquid       \t\"" + link +
         "\"\n\t\t\t\t\tsupplier   \t\"server\"\n\t\t\t\t\tquidu      \t\"" + b +
         "\"\n\t\t\t\t\tmessages   \t(list Messages\n";
    for (int m = 0; m < 4; ++m) {
      const std::string message = Quid(q++);
      t += "\t\t\t\t\t    (object Message \"call\"\n\t\t\t\t\t\tquid       \t\"" + message +
           "\"\n\t\t\t\t\t\tfrequency  \t\"Aperiodic\"\n\t\t\t\t\t\tsynchronization \t\"Simple\"\n\t\t\t\t\t\tdir    "
           "    \t\"FromClientToSupplier\"\n"
           "\t\t\t\t\t\tsequence   \t\"" +
           std::to_string(m + 1) + "\"\n\t\t\t\t\t\tordinal    \t" + std::to_string(m) +
           "\n\t\t\t\t\t\tquidu      \t\"" + op + "\")\n";
    }
    t += "\t\t\t\t\t\t))))\n\t\t\t    (object Object \"server\"\n\t\t\t\tquid       \t\"" + b +
         "\"\n\t\t\t\tclass      \t\"Use Case View::Service\"\n\t\t\t\tquidu      \t\"" + cls + "\"))))\n" +
         "\t\tlogical_presentations \t(list unit_reference_list\n\t\t    (object InteractionDiagram \"Flow " +
         std::to_string(u) + "\"\n\t\t\tmechanism_ref \t@" + std::to_string(mech) + "\n\t\t\tquid       \t\"" +
         diagram +
         "\"\n\t\t\ttitle      \t\"Flow\"\n\t\t\tzoom       \t100\n\t\t\titems      \t(list diagram_item_list\n"
         "\t\t\t    (object InterObjView \"client\" @" +
         std::to_string(label++) + "\n\t\t\t\tlocation   \t(200, 224)\n\t\t\t\tquidu      \t\"" + a +
         "\"\n\t\t\t\twidth      \t300)))))\n";
  }
  t += "\t    )\n\tlogical_presentations \t(list unit_reference_list)))\n";
  return t;
}

}  // namespace zov::bench
