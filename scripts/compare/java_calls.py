#!/usr/bin/env python3
"""Writes JavaCalls.java: every public method and constructor of the Java classes in SRC (the tarvo
sources of one build) called once with good arguments and once with a bad one, each on a new
JavaFixture of the kind the call concerns, so that each build is asked exactly the calls it has.

    java_calls.py SRC OUT.java

The bad call gives the first argument a value the call must refuse (-1, NaN, null, an unknown identifier,
a missing file); a call without such an argument is made on an object already disposed of."""

import re
import sys
from pathlib import Path

# The classes whose calls reach the library, and how a call finds its object.
RECEIVERS = {
    "Network": ("f.net", None),
    "DiagNetwork": ("f.diag", "diag"),
    "ValueOfInfo": ("f.voi", "decision"),
    "DataSet": ("f.data", "learning"),
    "Pattern": ("f.pattern", "learning"),
    "EM": ("new EM()", "learning"),
    "GreedyThickThinning": ("new GreedyThickThinning()", "learning"),
    "NaiveBayes": ("f.naiveBayes()", "learning"),
    "PC": ("new PC()", "learning"),
    "Wrapper": ("f.net", "asia"),
}

# Calls whose good form needs a fixture of its own: something to delete, get or release that the
# kind of their class lacks.
METHOD_KINDS = {
    "Network.deleteOutcome": "three-outcomes",
    "Network.deleteCostArc": "cost-arc",
    "Network.getContEvidence": "cont-evidence",
    "Network.getTemporalEvidence": "temporal-evidence",
    "Network.getTemporalEvidenceId": "temporal-evidence",
    "Network.clearTemporalEvidence": "temporal-evidence",
    "Network.getNoisyTemporalParentStrengths": "noisy-dynamic",
    "Network.setNoisyTemporalParentStrengths": "noisy-dynamic",
    "DiagNetwork.getFaultIndex": "diag-fault",
    "DiagNetwork.releaseObservation": "diag-observed",
    "ValueOfInfo.addNode": "decision-open",
    "ValueOfInfo.setDecision": "decision-choice",
}

# The network a Network method acts on, by a word of its name; asia otherwise.
NETWORK_KINDS = [
    (r"NoisyTemporal|Temporal|Slice|[uU]nroll", "dynamic"),
    (r"DeMorgan", "demorgan"),
    (r"Noisy", "noisy"),
    (r"Equation|ContEvidence", "equation"),
    (r"Mau", "mau"),
    (r"Submodel", "submodel"),
    (r"DiagType|Ranked|Mandatory|DefaultOutcome|Question|OutcomeFix|OutcomeLabel|FaultOutcome", "diag"),
    (r"InfluenceDiagram", "decision"),
    (r"Evidence|NodeValue|ValueValid|ValueIndexing|probEvidence", "evidence"),
]

SIGNATURE = re.compile(
    r"public\s+(?:final\s+)?(?:native\s+)?(?:(?P<result>[\w\[\]]+)\s+)?(?P<name>\w+)\s*\((?P<params>[^)]*)\)\s*[{;]")


def methods(source):
    """(result or None for a constructor, name, [(type, name)]) of the public calls of the class."""
    text = Path(source).read_text()
    cls = Path(source).stem
    found = []
    for m in SIGNATURE.finditer(text):
        if m.group("result") in ("class", "interface", "static"):
            continue
        if m.group("result") is None and (m.group("name") != cls or "abstract class" in text):
            continue
        params = []
        for item in m.group("params").split(","):
            item = " ".join(item.split())
            if item:
                ptype, pname = item.rsplit(" ", 1)
                params.append((ptype, pname))
        found.append((m.group("result"), m.group("name"), params))
    return found


def good(cls, method, ptype, pname):
    """A Java expression of an argument the call takes, in terms of the fixture f."""
    adding = method.startswith("add")
    submodels = "Submodel" in method
    if ptype == "int":
        if pname == "nodeHandle" or pname == "childHandle":
            return "f.node"
        if pname == "parentHandle":
            if submodels:
                return "f.net.getMainSubmodel()"
            return "f.freeParent" if adding else "f.parent"
        if pname == "submodelHandle":
            return "f.net.getSubmodel(\"Sub\")"
        return {"nodeType": "18", "position": "1", "count": "500", "algorithm": "2", "sliceCount": "4",
                "order": "1", "slice": "2", "temporalType": "3", "diagType": "1", "x": "10", "y": "20",
                "width": "30", "height": "40", "type": "1", "mode": "1", "value": "1",
                "missingValue": "-1", "missingInt": "-1", "maxAdjacency": "2", "size": "3", "maxParents": "2",
                "method": "1", "from": "0", "to": "1", "mark": "2"}.get(pname, "0")
    if ptype == "String":
        if pname == "path":
            return ("JavaFixture.scratch + \"/out.xvrx\"" if method == "writeFile"
                    else "JavaFixture.dataDir + \"/networks/asia.xvrx\"")
        if pname == "nodeId" and cls == "Network" and method == "addNode":
            return "\"NewId\""
        if pname in ("nodeId", "childId"):
            return "f.id(f.node)"
        if pname == "parentId":
            if submodels:
                return "f.net.getMainSubmodelId()"
            return "f.id(f.freeParent)" if adding else "f.id(f.parent)"
        if pname == "submodelId":
            return "\"Sub\""
        if pname == "outcomeId":
            return "f.net.getOutcomeId(f.node, 0)"
        if pname == "fileName":
            return "f.dataFile()"
        if pname == "equation":
            return "\"y = x + 2\""
        if cls == "NaiveBayes":
            return "\"asia\""
        return {"id": "\"NewId\"", "name": "\"newName\"", "missingValueToken": "\"?\""}.get(pname, "\"Text\"")
    if ptype == "double":
        return {"prior": "0.3", "lower": "-10", "upper": "10", "significance": "0.05"}.get(pname, "0.5")
    if ptype == "float":
        return "-1f" if pname.startswith("missing") else "1f"
    if ptype == "boolean":
        return "true"
    if ptype == "double[]":
        if pname == "cost":
            return "f.cost()"
        return "f.temporalTable()" if "Temporal" in method else "f.table()"
    if ptype == "int[]":
        return {"strengths": "f.strengths()", "mapNodes": "new int[] {f.node}", "faultIndices": "new int[] {0, 1}",
                "fixedNodes": "new int[0]"}.get(pname, "new int[] {0}")
    if ptype == "int[][]":
        return "f.temporalStrengths()"
    if ptype == "String[]":
        return {"mapNodeIds": "new String[] {f.id(f.node)}", "names": "new String[] {\"s0\", \"s1\"}",
                "fixedNodes": "new String[0]", "expressions": "new String[] {\"A + B\"}"}.get(
                    pname, "new String[] {\"Text\"}")
    return {"Network": "f.net", "AnnealedMapTuning": "new AnnealedMapTuning()",
            "UserProperty[]": "JavaFixture.properties()", "DocItemInfo[]": "JavaFixture.documentation()",
            "Color": "JavaFixture.color()", "BkKnowledge": "JavaFixture.knowledge()", "DataSet": "f.data",
            "DataMatch[]": "f.matches()"}.get(ptype, "null")


def bad(method, ptype, pname):
    """A value of the first argument that the call refuses; None when the type has none."""
    if ptype == "int":
        return "-1"
    if ptype == "String":
        if pname == "path" or pname == "fileName":
            return "JavaFixture.scratch + \"/no-such-folder/missing.xvrx\""  # no call creates it
        if pname.endswith("Id"):
            return "\"NoSuchId\""
        return "(String) null"
    if ptype == "double":
        return "Double.NaN"
    if ptype == "float":
        return "Float.NaN"
    if ptype == "boolean":
        return None
    return "(%s) null" % ptype  # cast: overloads differ in this argument


def kind_of(cls, method):
    if "%s.%s" % (cls, method) in METHOD_KINDS:
        return METHOD_KINDS["%s.%s" % (cls, method)]
    if RECEIVERS[cls][1] is not None:
        return RECEIVERS[cls][1]
    for pattern, kind in NETWORK_KINDS:
        if re.search(pattern, method):
            return kind
    return "asia"


def call_text(cls, result, method, params, bad_first):
    """The body of the call's lambda, or None when it has no bad form."""
    receiver = RECEIVERS[cls][0]
    args = [good(cls, method, t, n) for t, n in params]
    setup = ""
    if bad_first:
        value = bad(method, *params[0]) if params else None
        if value is not None:
            args[0] = value
        elif result is None:
            return None  # a constructor without a refusable argument
        else:
            setup = "r.dispose(); "
    if result is None:
        return "return new %s(%s);" % (cls, ", ".join(args))
    invocation = "r.%s(%s)" % (method, ", ".join(args))
    body = "%s r = %s; f.own(r); %s" % (cls, receiver, setup)
    return body + ("%s; return null;" % invocation if result == "void" else "return %s;" % invocation)


def main():
    src, out = Path(sys.argv[1]), Path(sys.argv[2])
    lines = []
    for cls in RECEIVERS:
        source = next(iter(src.glob("**/%s.java" % cls)), None)
        if source is None:
            continue
        for result, method, params in methods(source):
            key = "%s.%s(%s)" % (cls, method, ",".join(t for t, _ in params))
            kind = kind_of(cls, method)
            for label, bad_first in (("good", False), ("bad", True)):
                body = call_text(cls, result, method, params, bad_first)
                if body is None:
                    continue
                if result is None:
                    body = body.replace("return new", "return JavaFixture.disposed(new", 1)[:-1] + ");"
                lines.append("        JavaFixture.record(\"%s:%s\", \"%s\", f -> { %s });" % (key, label, kind, body))
    # One method per class keeps each under the limit of a method's code size.
    out.write_text("""import tarvo.*;
import tarvo.learning.*;

/** Written by java_calls.py: every public call of the library's Java classes, with good and bad arguments. */
final class JavaCalls {
    public static void main(String[] args) {
        JavaFixture.dataDir = args[0];
        JavaFixture.scratch = args[1];
        JavaFixture.catchWarnings();
%s
    }
%s
}
""" % ("\n".join("        part%d();" % i for i in range((len(lines) + 99) // 100)),
       "".join("\n    static void part%d() {\n%s\n    }\n" % (i // 100, "\n".join(lines[i:i + 100]))
               for i in range(0, len(lines), 100))))


if __name__ == "__main__":
    main()
