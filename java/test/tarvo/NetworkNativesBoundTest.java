package tarvo;

import java.lang.reflect.Array;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;

/**
 * Every native of Network for nodes, arcs, outcomes, evidence, targets, definitions, values, costs,
 * appearance, submodels, documentation, user properties, diagnosis and dynamic networks is bound: called with
 * arguments that name nothing, each refuses them with the message of its first check, except the few that
 * need no node or submodel.
 */
public class NetworkNativesBoundTest {
    private static final Set<String> METHODS = Set.of(
            "getNodeDefinition", "setNodeDefinition", "getNodeValue", "isValueValid",
            "getValueIndexingParents", "getValueIndexingParentIds", "setNoisyParentStrengths",
            "getNoisyParentStrengths", "setDeMorganPriorBelief", "getDeMorganPriorBelief",
            "setDeMorganParentType", "getDeMorganParentType",
            "setDeMorganParentWeight", "getDeMorganParentWeight", "setNodeEquation", "getNodeEquation",
            "setNodeEquationBounds", "getNodeEquationBounds", "getMauExpressions", "setMauExpressions",
            "addCostArc", "deleteCostArc", "getCostParents", "getCostParentIds", "getCostChildren",
            "getCostChildIds", "getNodeCost", "setNodeCost", "setNodePosition", "getNodePosition",
            "setNodeBgColor", "getNodeBgColor", "setNodeTextColor", "getNodeTextColor", "setNodeBorderColor",
            "getNodeBorderColor", "setNodeBorderWidth", "getNodeBorderWidth", "getFirstSubmodel",
            "getNextSubmodel", "getSubmodelCount", "getSubmodel", "getMainSubmodel", "getMainSubmodelId",
            "getSubmodelOfNode", "setSubmodelOfNode", "getSubmodelOfSubmodel", "setSubmodelOfSubmodel",
            "addSubmodel", "deleteSubmodel", "setSubmodelId", "getSubmodelId", "setSubmodelName",
            "getSubmodelName", "setSubmodelDescription", "setSubmodelDescrpition", "getSubmodelDescription",
            "getSubmodelPosition", "setSubmodelPosition", "getUserProperties", "setUserProperties",
            "getNodeUserProperties", "setNodeUserProperties", "getNodeDocumentation", "setNodeDocumentation",
            "getOutcomeDocumentation", "setOutcomeDocumentation", "getNodeDiagType", "setNodeDiagType",
            "isRanked", "setRanked", "isMandatory", "setMandatory", "getDefaultOutcome", "getDefaultOutcomeId",
            "setDefaultOutcome", "getNodeQuestion", "setNodeQuestion", "getOutcomeFix", "setOutcomeFix",
            "getOutcomeDescription", "setOutcomeDescription", "getOutcomeLabel", "setOutcomeLabel",
            "isFaultOutcome", "setFaultOutcome", "setEvidence", "getEvidence", "getEvidenceId", "isEvidence",
            "isRealEvidence", "isPropagatedEvidence", "clearEvidence", "setContEvidence", "getContEvidence",
            "getNodeTemporalType", "setNodeTemporalType", "addTemporalArc", "deleteTemporalArc",
            "temporalArcExists", "getMaxNodeTemporalOrder", "getTemporalOrders", "getTemporalParents",
            "getTemporalChildren", "getUnrolledParents", "hasTemporalEvidence", "isTemporalEvidence",
            "getTemporalEvidence", "getTemporalEvidenceId", "setTemporalEvidence", "clearTemporalEvidence",
            "getNodeTemporalDefinition", "setNodeTemporalDefinition", "getNoisyTemporalParentStrengths",
            "setNoisyTemporalParentStrengths", "setTarget", "isTarget", "setNodeId", "getNodeName",
            "setNodeName", "getNodeDescription", "setNodeDescription", "getNodeType", "setNodeType", "addArc",
            "deleteArc", "getParents", "getParentIds", "getChildren", "getChildIds", "getOutcomeCount",
            "addOutcome", "insertOutcome", "deleteOutcome", "setOutcomeId", "getOutcomeId", "getOutcomeIds");

    private static final Set<String> NEED_NOTHING = Set.of("getFirstSubmodel", "getNextSubmodel",
            "getSubmodelCount", "getMainSubmodel", "getMainSubmodelId", "getUserProperties",
            "setUserProperties");
    private static final Set<String> REFUSALS = Set.of("Invalid node handle: -1", "Invalid node id: Nothing",
            "Invalid submodel handle: -1", "Invalid submodel id: 'Nothing'",
            "TARVO error -2 in function CreateSubmodel. Logged information: Invalid parent submodel handle: -1\n");

    private static Object argument(Class<?> type) {
        if (type == int.class) {
            return -1;
        } else if (type == boolean.class) {
            return true;
        } else if (type == double.class) {
            return 0.5;
        } else if (type == String.class) {
            return "Nothing";
        } else if (type == String[].class) {
            return new String[] {"Nothing"};
        } else if (type.isArray()) {
            return Array.newInstance(type.getComponentType(), 0);
        }
        return null;
    }

    public void testEveryNativeIsBoundAndChecksItsArguments() throws ReflectiveOperationException {
        List<String> unbound = new ArrayList<>();
        int count = 0;
        Network net = new Network();
        try {
            for (Method method : Network.class.getDeclaredMethods()) {
                if (!Modifier.isNative(method.getModifiers()) || !METHODS.contains(method.getName())) {
                    continue;
                }
                count++;
                Class<?>[] types = method.getParameterTypes();
                Object[] args = new Object[types.length];
                for (int i = 0; i < types.length; i++) {
                    args[i] = argument(types[i]);
                }
                method.setAccessible(true);
                String refusal = null;
                try {
                    method.invoke(net, args);
                } catch (InvocationTargetException e) {
                    if (e.getCause() instanceof UnsatisfiedLinkError) {
                        unbound.add(method.toString());
                        continue;
                    } else if (!(e.getCause() instanceof TARVOException)) {
                        throw new AssertionError(method + " raised " + e.getCause(), e.getCause());
                    }
                    refusal = e.getCause().getMessage();
                }
                if (NEED_NOTHING.contains(method.getName())) {
                    Check.equal(null, refusal);
                } else {
                    Check.isTrue(REFUSALS.contains(refusal), method + " answered " + refusal);
                }
            }
        } finally {
            net.dispose();
        }
        Check.equal(List.of(), unbound);
        Check.equal(304, count);
    }
}
