#include "testcases/scenario.h"

#include "tree/kinds.h"

namespace zov {

bool AggiungiScenario(const ModelSource& m, Handle diagram, Tree& tree) {
  const NodeId root = tree.find("ROOT");
  if (root == kNoNode) return false;
  const std::string id = m.Identifier(diagram);
  const NodeId node = tree.addChild(
      root, id, m.Name(diagram), m.DiagramKind(diagram) == kSequenceDiagram ? kind::kSequence : kind::kCollaboration);
  if (node == kNoNode) return false;

  for (Handle message : m.DiagramMessages(diagram))
    if (m.MessageHasOperation(message)) {
      tree.setBold(node, true);
      tree.setChecked(node, false);
    }

  // An object or attribute whose key is already in the tree keeps the node there.
  for (Handle o : m.DiagramObjects(diagram)) {
    if (m.ObjectHasClass(o)) {
      const NodeId object = tree.addChild(node, m.Identifier(o), m.ObjectName(o), kind::kClassDiag);
      if (object == kNoNode) continue;
      for (Handle a : m.ClassAttributes(m.ObjectClass(o))) {
        const NodeId attribute =
            tree.addChild(object, m.Identifier(a), m.Name(a) + ":" + m.AttributeType(a), kind::kAttributo);
        if (attribute != kNoNode) tree.setBold(attribute, true);
      }
    } else {
      tree.addChild(node, m.Identifier(o), m.ObjectName(o), kind::kActor);
    }
  }
  return true;
}

void AggiungiMessaggioCaratt(const ModelSource& m, Handle, Handle message, Tree& tree) {
  // The current key and text of the step; a step that fails leaves them
  // in a "rose" node below "ROOT".
  std::string key, text;
  const auto fallback = [&] { tree.addChild(std::string_view("ROOT"), key + "A", text, kind::kRose); };
  const auto add = [&](const std::string& parent, const std::string& nodeKey, std::string_view kindOf) {
    const NodeId n = tree.addChild(parent, nodeKey, text, kindOf);
    if (n == kNoNode) fallback();
    return n;
  };

  const std::string id = m.Identifier(message);
  text = "[" + m.MessageSequence(message) + "] " + m.Name(message);
  key = id;
  const NodeId messageNode = add(m.Identifier(m.MessageReceiver(message)), key, kind::kMessaggio);

  text = m.ObjectName(m.MessageSender(message)) + " ==>";
  key = id + "FROM";
  add(id, key, "");

  text = "==> " + m.ObjectName(m.MessageReceiver(message));
  key = id + "TO";
  add(id, key, "");

  if (!m.MessageHasOperation(message)) return;
  // The message node is the one keyed by the message (another diagram's,
  // when two diagrams share the message); marking fails when there is none.
  if (const NodeId marked = messageNode != kNoNode ? messageNode : tree.find(id); marked != kNoNode) {
    tree.setChecked(marked, false);
    tree.setBold(marked, true);
  } else {
    fallback();
  }
  const Handle op = m.MessageOperation(message);
  text = "Operation=" + m.Name(op);
  key = id + "OPER";
  add(id, key, kind::kMessaggio);
  int i = 0;
  for (Handle p : m.OperationParameters(op)) {
    ++i;
    text = m.Name(p) + "   " + m.ParameterType(p);
    key = id + "PAR";
    add(id + "OPER", key + std::to_string(i), kind::kMessaggio);
  }
}

bool AddWholeScenario(const ModelSource& m, Handle diagram, Tree& tree) {
  if (!AggiungiScenario(m, diagram, tree)) return false;
  for (Handle message : m.DiagramMessages(diagram)) AggiungiMessaggioCaratt(m, diagram, message, tree);
  return true;
}

}  // namespace zov
