// A synthetic UML 2 model in Eclipse UML2 XMI, shaped like the shared real
// ones: packages of actors, use cases with include relations and an
// interaction each (lifelines typed by classes, messages with signatures,
// an alt fragment), classes with attributes, operations and parameters,
// associations between actors and use cases. Grows to at least `bytes`.
#pragma once

#include <string>

namespace zov::bench {

inline std::string SyntheticXmi(std::size_t bytes) {
  std::string t =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xmi:XMI xmi:version=\"20131001\" "
      "xmlns:xmi=\"http://www.omg.org/spec/XMI/20131001\" xmlns:uml=\"http://www.eclipse.org/uml2/5.0.0/UML\">\n"
      "  <uml:Model xmi:id=\"_model\" name=\"Synthetic\">\n";
  for (int p = 0; t.size() < bytes; ++p) {
    const std::string P = "_p" + std::to_string(p);
    t += "    <packagedElement xmi:type=\"uml:Package\" xmi:id=\"" + P + "\" name=\"Package " + std::to_string(p) +
         "\">\n";
    t += "      <packagedElement xmi:type=\"uml:Actor\" xmi:id=\"" + P + "a\" name=\"Actor " + std::to_string(p) +
         "\"/>\n";
    for (int c = 0; c < 10; ++c) {
      const std::string C = P + "c" + std::to_string(c);
      t += "      <packagedElement xmi:type=\"uml:Class\" xmi:id=\"" + C + "\" name=\"Class" + std::to_string(c) +
           "\">\n"
           "        <ownedComment xmi:type=\"uml:Comment\" xmi:id=\"" +
           C +
           "d\"><body>WGH=2 a class of the synthetic model</body></ownedComment>\n"
           "        <ownedAttribute xmi:type=\"uml:Property\" xmi:id=\"" +
           C +
           "t\" name=\"amount\" visibility=\"private\">\n"
           "          <type xmi:type=\"uml:PrimitiveType\" "
           "href=\"pathmap://UML_LIBRARIES/UMLPrimitiveTypes.library.uml#Integer\"/>\n"
           "          <defaultValue xmi:type=\"uml:LiteralInteger\" xmi:id=\"" +
           C +
           "v\" value=\"20\"/>\n"
           "        </ownedAttribute>\n"
           "        <ownedOperation xmi:type=\"uml:Operation\" xmi:id=\"" +
           C +
           "o\" name=\"call\">\n"
           "          <ownedParameter xmi:type=\"uml:Parameter\" xmi:id=\"" +
           C + "q\" name=\"amount\" type=\"" + P +
           "c0\"/>\n"
           "          <ownedParameter xmi:type=\"uml:Parameter\" xmi:id=\"" +
           C +
           "r\" direction=\"return\"/>\n"
           "        </ownedOperation>\n"
           "      </packagedElement>\n";
    }
    for (int u = 0; u < 5; ++u) {
      const std::string U = P + "u" + std::to_string(u);
      t += "      <packagedElement xmi:type=\"uml:UseCase\" xmi:id=\"" + U + "\" name=\"Use case " + std::to_string(u) +
           "\">\n";
      if (u > 0) t += "        <include xmi:type=\"uml:Include\" xmi:id=\"" + U + "i\" addition=\"" + P + "u0\"/>\n";
      t += "        <ownedBehavior xmi:type=\"uml:Interaction\" xmi:id=\"" + U + "n\" name=\"Flow " +
           std::to_string(u) + "\">\n";
      for (int l = 0; l < 4; ++l)
        t += "          <ownedAttribute xmi:type=\"uml:Property\" xmi:id=\"" + U + "p" + std::to_string(l) +
             "\" name=\"part" + std::to_string(l) + "\" type=\"" + P + "c" + std::to_string(l) + "\"/>\n";
      for (int l = 0; l < 4; ++l)
        t += "          <lifeline xmi:type=\"uml:Lifeline\" xmi:id=\"" + U + "l" + std::to_string(l) +
             "\" name=\"part" + std::to_string(l) + "\" represents=\"" + U + "p" + std::to_string(l) + "\"/>\n";
      const auto occurrence = [&](int m, int from, int to) {
        const std::string M = U + "m" + std::to_string(m);
        return "            <fragment xmi:type=\"uml:MessageOccurrenceSpecification\" xmi:id=\"" + M +
               "s\" covered=\"" + U + "l" + std::to_string(from) + "\" message=\"" + M +
               "\"/>\n"
               "            <fragment xmi:type=\"uml:MessageOccurrenceSpecification\" xmi:id=\"" +
               M + "r\" covered=\"" + U + "l" + std::to_string(to) + "\" message=\"" + M + "\"/>\n";
      };
      for (int m = 0; m < 4; ++m) t += occurrence(m, m % 4, (m + 1) % 4);
      t += "          <fragment xmi:type=\"uml:CombinedFragment\" xmi:id=\"" + U +
           "f\" interactionOperator=\"alt\">\n"
           "            <operand xmi:type=\"uml:InteractionOperand\" xmi:id=\"" +
           U +
           "f1\">\n"
           "              <guard xmi:type=\"uml:InteractionConstraint\" xmi:id=\"" +
           U +
           "g1\">\n"
           "                <specification xmi:type=\"uml:OpaqueExpression\" xmi:id=\"" +
           U +
           "e1\"><body>amount is valid</body></specification>\n"
           "              </guard>\n" +
           occurrence(4, 1, 2) + occurrence(5, 2, 3) +
           "            </operand>\n"
           "            <operand xmi:type=\"uml:InteractionOperand\" xmi:id=\"" +
           U + "f2\">\n" + occurrence(6, 1, 0) +
           "            </operand>\n"
           "          </fragment>\n";
      for (int m = 0; m < 7; ++m) {
        const std::string M = U + "m" + std::to_string(m);
        t += "          <message xmi:type=\"uml:Message\" xmi:id=\"" + M + "\" name=\"call\" sendEvent=\"" + M +
             "s\" receiveEvent=\"" + M + "r\" signature=\"" + P + "c" + std::to_string(m % 4) + "o\"/>\n";
      }
      t += "        </ownedBehavior>\n      </packagedElement>\n";
      t += "      <packagedElement xmi:type=\"uml:Association\" xmi:id=\"" + U + "x\" memberEnd=\"" + U + "x1 " + U +
           "x2\" navigableOwnedEnd=\"" + U +
           "x1\">\n"
           "        <ownedEnd xmi:type=\"uml:Property\" xmi:id=\"" +
           U + "x1\" type=\"" + U + "\" association=\"" + U +
           "x\"/>\n"
           "        <ownedEnd xmi:type=\"uml:Property\" xmi:id=\"" +
           U + "x2\" type=\"" + P + "a\" association=\"" + U +
           "x\"/>\n"
           "      </packagedElement>\n";
    }
    t += "    </packagedElement>\n";
  }
  t += "  </uml:Model>\n</xmi:XMI>\n";
  return t;
}

}  // namespace zov::bench
