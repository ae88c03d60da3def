package tarvo;

import java.awt.Color;
import java.awt.Rectangle;

/**
 * A network of the engine. Nodes are addressed by handle or by identifier, outcomes by index or by
 * identifier; every failure raises TARVOException. Call dispose() when the network is no longer needed.
 */
public class Network extends Wrapper {
    public Network() {
        ptrNative = createNative();
    }

    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    // Files.
    public native void readFile(String path);
    public native void writeFile(String path);

    // Identifier, name and description of the network.
    public native String getId();
    public native void setId(String id);
    public native String getName();
    public native void setName(String name);
    public native String getDescription();
    public native void setDescription(String description);

    // Nodes.
    public native int addNode(int nodeType, String nodeId);
    public native int addNode(int nodeType);
    public native void deleteNode(int nodeHandle);
    public native void deleteNode(String nodeId);
    public native int getNodeCount();
    public native int getFirstNode();
    public native int getNextNode(int nodeHandle);
    public native int getNode(String nodeId);
    public native int[] getAllNodes();
    public native String[] getAllNodeIds();
    public native String getNodeId(int nodeHandle);
    public native void setNodeId(int nodeHandle, String id);
    public native void setNodeId(String nodeId, String id);
    public native String getNodeName(int nodeHandle);
    public native String getNodeName(String nodeId);
    public native void setNodeName(int nodeHandle, String name);
    public native void setNodeName(String nodeId, String name);
    public native String getNodeDescription(int nodeHandle);
    public native String getNodeDescription(String nodeId);
    public native void setNodeDescription(int nodeHandle, String description);
    public native void setNodeDescription(String nodeId, String description);
    public native int getNodeType(int nodeHandle);
    public native int getNodeType(String nodeId);
    public native void setNodeType(int nodeHandle, int nodeType);
    public native void setNodeType(String nodeId, int nodeType);

    // Ordinary arcs.
    public native void addArc(int parentHandle, int childHandle);
    public native void addArc(String parentId, String childId);
    public native void deleteArc(int parentHandle, int childHandle);
    public native void deleteArc(String parentId, String childId);
    public native int[] getParents(int nodeHandle);
    public native int[] getParents(String nodeId);
    public native String[] getParentIds(int nodeHandle);
    public native String[] getParentIds(String nodeId);
    public native int[] getChildren(int nodeHandle);
    public native int[] getChildren(String nodeId);
    public native String[] getChildIds(int nodeHandle);
    public native String[] getChildIds(String nodeId);

    // Outcomes.
    public native int getOutcomeCount(int nodeHandle);
    public native int getOutcomeCount(String nodeId);
    public native void addOutcome(int nodeHandle, String outcomeId);
    public native void addOutcome(String nodeId, String outcomeId);
    public native void insertOutcome(int nodeHandle, int position, String outcomeId);
    public native void insertOutcome(String nodeId, int position, String outcomeId);
    public native void deleteOutcome(int nodeHandle, int outcomeIndex);
    public native void deleteOutcome(String nodeId, int outcomeIndex);
    public native void deleteOutcome(int nodeHandle, String outcomeId);
    public native void deleteOutcome(String nodeId, String outcomeId);
    public native void setOutcomeId(int nodeHandle, int outcomeIndex, String id);
    public native void setOutcomeId(String nodeId, int outcomeIndex, String id);
    public native String getOutcomeId(int nodeHandle, int outcomeIndex);
    public native String getOutcomeId(String nodeId, int outcomeIndex);
    public native String[] getOutcomeIds(int nodeHandle);
    public native String[] getOutcomeIds(String nodeId);

    // Belief updating and algorithm settings.
    public native void updateBeliefs();
    public native double probEvidence();
    public native int getSampleCount();
    public native void setSampleCount(int count);
    public native int getBayesianAlgorithm();
    public native void setBayesianAlgorithm(int algorithm);
    public native int getInfluenceDiagramAlgorithm();
    public native void setInfluenceDiagramAlgorithm(int algorithm);

    // Targets.
    public native void setTarget(int nodeHandle, boolean target);
    public native void setTarget(String nodeId, boolean target);
    public native boolean isTarget(int nodeHandle);
    public native boolean isTarget(String nodeId);
    public native void clearAllTargets();

    // Evidence.
    public native void setEvidence(int nodeHandle, int outcomeIndex);
    public native void setEvidence(String nodeId, int outcomeIndex);
    public native void setEvidence(int nodeHandle, String outcomeId);
    public native void setEvidence(String nodeId, String outcomeId);
    public native int getEvidence(int nodeHandle);
    public native int getEvidence(String nodeId);
    public native String getEvidenceId(int nodeHandle);
    public native String getEvidenceId(String nodeId);
    public native boolean isEvidence(int nodeHandle);
    public native boolean isEvidence(String nodeId);
    public native boolean isRealEvidence(int nodeHandle);
    public native boolean isRealEvidence(String nodeId);
    public native boolean isPropagatedEvidence(int nodeHandle);
    public native boolean isPropagatedEvidence(String nodeId);
    public native void clearEvidence(int nodeHandle);
    public native void clearEvidence(String nodeId);
    public native void clearAllEvidence();
    public native void setContEvidence(int nodeHandle, double value);
    public native void setContEvidence(String nodeId, double value);
    public native double getContEvidence(int nodeHandle);
    public native double getContEvidence(String nodeId);

    // Annealed MAP.
    public native AnnealedMapResults annealedMap(int[] mapNodes, AnnealedMapTuning tuning);
    public native AnnealedMapResults annealedMap(String[] mapNodeIds, AnnealedMapTuning tuning);

    // Definitions and values.
    public native double[] getNodeDefinition(int nodeHandle);
    public native double[] getNodeDefinition(String nodeId);
    public native void setNodeDefinition(int nodeHandle, double[] definition);
    public native void setNodeDefinition(String nodeId, double[] definition);
    public native double[] getNodeValue(int nodeHandle);
    public native double[] getNodeValue(String nodeId);
    public native boolean isValueValid(int nodeHandle);
    public native boolean isValueValid(String nodeId);
    public native int[] getValueIndexingParents(int nodeHandle);
    public native int[] getValueIndexingParents(String nodeId);
    public native String[] getValueIndexingParentIds(int nodeHandle);
    public native String[] getValueIndexingParentIds(String nodeId);

    // Noisy-MAX parent strengths; a parent is a position in the node's parent list or an identifier.
    public native void setNoisyParentStrengths(int nodeHandle, int parentIndex, int[] strengths);
    public native void setNoisyParentStrengths(int nodeHandle, String parentId, int[] strengths);

    public void setNoisyParentStrengths(String nodeId, int parentIndex, int[] strengths) {
        setNoisyParentStrengths(new String[] {nodeId}, parentIndex, strengths);
    }

    public void setNoisyParentStrengths(String nodeId, String parentId, int[] strengths) {
        setNoisyParentStrengths(new String[] {nodeId}, parentId, strengths);
    }

    // The library exports the identifier forms under String[] signatures: the node identifier travels
    // as the array's only element.
    private native void setNoisyParentStrengths(String[] nodeId, int parentIndex, int[] strengths);
    private native void setNoisyParentStrengths(String[] nodeId, String parentId, int[] strengths);

    public native int[] getNoisyParentStrengths(int nodeHandle, int parentIndex);
    public native int[] getNoisyParentStrengths(String nodeId, int parentIndex);
    public native int[] getNoisyParentStrengths(int nodeHandle, String parentId);
    public native int[] getNoisyParentStrengths(String nodeId, String parentId);

    // DeMorgan nodes.
    public native void setDeMorganPriorBelief(int nodeHandle, double prior);
    public native void setDeMorganPriorBelief(String nodeId, double prior);
    public native double getDeMorganPriorBelief(int nodeHandle);
    public native double getDeMorganPriorBelief(String nodeId);
    public native void setDeMorganParentType(int nodeHandle, int parentIndex, int type);
    public native void setDeMorganParentType(String nodeId, int parentIndex, int type);
    public native void setDeMorganParentType(int nodeHandle, String parentId, int type);
    public native void setDeMorganParentType(String nodeId, String parentId, int type);
    public native int getDeMorganParentType(int nodeHandle, int parentIndex);
    public native int getDeMorganParentType(String nodeId, int parentIndex);
    public native int getDeMorganParentType(int nodeHandle, String parentId);
    public native int getDeMorganParentType(String nodeId, String parentId);
    public native void setDeMorganParentWeight(int nodeHandle, int parentIndex, double weight);
    public native void setDeMorganParentWeight(String nodeId, int parentIndex, double weight);
    public native void setDeMorganParentWeight(int nodeHandle, String parentId, double weight);
    public native void setDeMorganParentWeight(String nodeId, String parentId, double weight);
    public native double getDeMorganParentWeight(int nodeHandle, int parentIndex);
    public native double getDeMorganParentWeight(String nodeId, int parentIndex);
    public native double getDeMorganParentWeight(int nodeHandle, String parentId);
    public native double getDeMorganParentWeight(String nodeId, String parentId);

    // Equation nodes.
    public native void setNodeEquation(int nodeHandle, String equation);
    public native void setNodeEquation(String nodeId, String equation);
    public native String getNodeEquation(int nodeHandle);
    public native String getNodeEquation(String nodeId);
    public native void setNodeEquationBounds(int nodeHandle, double lower, double upper);
    public native void setNodeEquationBounds(String nodeId, double lower, double upper);
    public native double[] getNodeEquationBounds(int nodeHandle);
    public native double[] getNodeEquationBounds(String nodeId);

    // Multi-attribute utility nodes.
    public native String[] getMauExpressions(int nodeHandle);
    public native String[] getMauExpressions(String nodeId);
    public native void setMauExpressions(int nodeHandle, String[] expressions);
    public native void setMauExpressions(String nodeId, String[] expressions);

    // Costs.
    public native void addCostArc(int parentHandle, int childHandle);
    public native void addCostArc(String parentId, String childId);
    public native void deleteCostArc(int parentHandle, int childHandle);
    public native void deleteCostArc(String parentId, String childId);
    public native int[] getCostParents(int nodeHandle);
    public native int[] getCostParents(String nodeId);
    public native String[] getCostParentIds(int nodeHandle);
    public native String[] getCostParentIds(String nodeId);
    public native int[] getCostChildren(int nodeHandle);
    public native int[] getCostChildren(String nodeId);
    public native String[] getCostChildIds(int nodeHandle);
    public native String[] getCostChildIds(String nodeId);
    public native double[] getNodeCost(int nodeHandle);
    public native double[] getNodeCost(String nodeId);
    public native void setNodeCost(int nodeHandle, double[] cost);
    public native void setNodeCost(String nodeId, double[] cost);

    // Node appearance.
    public native void setNodePosition(int nodeHandle, int x, int y, int width, int height);
    public native void setNodePosition(String nodeId, int x, int y, int width, int height);
    public native Rectangle getNodePosition(int nodeHandle);
    public native Rectangle getNodePosition(String nodeId);
    public native void setNodeBgColor(int nodeHandle, Color color);
    public native void setNodeBgColor(String nodeId, Color color);
    public native Color getNodeBgColor(int nodeHandle);
    public native Color getNodeBgColor(String nodeId);
    public native void setNodeTextColor(int nodeHandle, Color color);
    public native void setNodeTextColor(String nodeId, Color color);
    public native Color getNodeTextColor(int nodeHandle);
    public native Color getNodeTextColor(String nodeId);
    public native void setNodeBorderColor(int nodeHandle, Color color);
    public native void setNodeBorderColor(String nodeId, Color color);
    public native Color getNodeBorderColor(int nodeHandle);
    public native Color getNodeBorderColor(String nodeId);
    public native void setNodeBorderWidth(int nodeHandle, int width);
    public native void setNodeBorderWidth(String nodeId, int width);
    public native int getNodeBorderWidth(int nodeHandle);
    public native int getNodeBorderWidth(String nodeId);

    // Submodels.
    public native int getFirstSubmodel();
    public native int getNextSubmodel(int submodelHandle);
    public native int getSubmodelCount();
    public native int getSubmodel(String submodelId);
    public native int getMainSubmodel();
    public native String getMainSubmodelId();
    public native int getSubmodelOfNode(int nodeHandle);
    public native int getSubmodelOfNode(String nodeId);
    public native void setSubmodelOfNode(int submodelHandle, int nodeHandle);
    public native void setSubmodelOfNode(String submodelId, String nodeId);
    public native int getSubmodelOfSubmodel(int submodelHandle);
    public native int getSubmodelOfSubmodel(String submodelId);
    public native void setSubmodelOfSubmodel(int parentHandle, int submodelHandle);
    public native void setSubmodelOfSubmodel(String parentId, String submodelId);
    public native int addSubmodel(int parentHandle, String id);
    public native int addSubmodel(String parentId, String id);
    public native void deleteSubmodel(int submodelHandle);
    public native void deleteSubmodel(String submodelId);
    public native void setSubmodelId(int submodelHandle, String id);
    public native String getSubmodelId(int submodelHandle);
    public native void setSubmodelName(int submodelHandle, String name);
    public native void setSubmodelName(String submodelId, String name);
    public native String getSubmodelName(int submodelHandle);
    public native String getSubmodelName(String submodelId);
    public native void setSubmodelDescription(int submodelHandle, String description);

    public void setSubmodelDescription(String submodelId, String description) {
        setSubmodelDescrpition(submodelId, description);
    }

    // The library exports the identifier form under this spelling.
    private native void setSubmodelDescrpition(String submodelId, String description);

    public native String getSubmodelDescription(int submodelHandle);
    public native String getSubmodelDescription(String submodelId);
    public native Rectangle getSubmodelPosition(int submodelHandle);
    public native Rectangle getSubmodelPosition(String submodelId);
    public native void setSubmodelPosition(int submodelHandle, int x, int y, int width, int height);
    public native void setSubmodelPosition(String submodelId, int x, int y, int width, int height);

    // User properties and documentation.
    public native UserProperty[] getUserProperties();
    public native void setUserProperties(UserProperty[] properties);
    public native UserProperty[] getNodeUserProperties(int nodeHandle);
    public native UserProperty[] getNodeUserProperties(String nodeId);
    public native void setNodeUserProperties(int nodeHandle, UserProperty[] properties);
    public native void setNodeUserProperties(String nodeId, UserProperty[] properties);
    public native DocItemInfo[] getNodeDocumentation(int nodeHandle);
    public native DocItemInfo[] getNodeDocumentation(String nodeId);
    public native void setNodeDocumentation(int nodeHandle, DocItemInfo[] documentation);
    public native void setNodeDocumentation(String nodeId, DocItemInfo[] documentation);
    public native DocItemInfo[] getOutcomeDocumentation(int nodeHandle, int outcomeIndex);
    public native DocItemInfo[] getOutcomeDocumentation(String nodeId, int outcomeIndex);
    public native DocItemInfo[] getOutcomeDocumentation(int nodeHandle, String outcomeId);
    public native DocItemInfo[] getOutcomeDocumentation(String nodeId, String outcomeId);
    public native void setOutcomeDocumentation(int nodeHandle, int outcomeIndex, DocItemInfo[] documentation);
    public native void setOutcomeDocumentation(String nodeId, int outcomeIndex, DocItemInfo[] documentation);
    public native void setOutcomeDocumentation(int nodeHandle, String outcomeId, DocItemInfo[] documentation);
    public native void setOutcomeDocumentation(String nodeId, String outcomeId, DocItemInfo[] documentation);

    // Diagnostic attributes of nodes.
    public native int getNodeDiagType(int nodeHandle);
    public native int getNodeDiagType(String nodeId);
    public native void setNodeDiagType(int nodeHandle, int diagType);
    public native void setNodeDiagType(String nodeId, int diagType);
    public native boolean isRanked(int nodeHandle);
    public native boolean isRanked(String nodeId);
    public native void setRanked(int nodeHandle, boolean ranked);
    public native void setRanked(String nodeId, boolean ranked);
    public native boolean isMandatory(int nodeHandle);
    public native boolean isMandatory(String nodeId);
    public native void setMandatory(int nodeHandle, boolean mandatory);
    public native void setMandatory(String nodeId, boolean mandatory);
    public native int getDefaultOutcome(int nodeHandle);
    public native int getDefaultOutcome(String nodeId);
    public native String getDefaultOutcomeId(int nodeHandle);
    public native String getDefaultOutcomeId(String nodeId);
    public native void setDefaultOutcome(int nodeHandle, int outcomeIndex);
    public native void setDefaultOutcome(String nodeId, int outcomeIndex);
    public native void setDefaultOutcome(int nodeHandle, String outcomeId);
    public native void setDefaultOutcome(String nodeId, String outcomeId);
    public native String getNodeQuestion(int nodeHandle);
    public native String getNodeQuestion(String nodeId);
    public native void setNodeQuestion(int nodeHandle, String question);
    public native void setNodeQuestion(String nodeId, String question);

    // Diagnostic attributes of outcomes.
    public native String getOutcomeFix(int nodeHandle, int outcomeIndex);
    public native String getOutcomeFix(String nodeId, int outcomeIndex);
    public native String getOutcomeFix(int nodeHandle, String outcomeId);
    public native String getOutcomeFix(String nodeId, String outcomeId);
    public native void setOutcomeFix(int nodeHandle, int outcomeIndex, String fix);
    public native void setOutcomeFix(String nodeId, int outcomeIndex, String fix);
    public native void setOutcomeFix(int nodeHandle, String outcomeId, String fix);
    public native void setOutcomeFix(String nodeId, String outcomeId, String fix);
    public native String getOutcomeDescription(int nodeHandle, int outcomeIndex);
    public native String getOutcomeDescription(String nodeId, int outcomeIndex);
    public native String getOutcomeDescription(int nodeHandle, String outcomeId);
    public native String getOutcomeDescription(String nodeId, String outcomeId);
    public native void setOutcomeDescription(int nodeHandle, int outcomeIndex, String description);
    public native void setOutcomeDescription(String nodeId, int outcomeIndex, String description);
    public native void setOutcomeDescription(int nodeHandle, String outcomeId, String description);
    public native void setOutcomeDescription(String nodeId, String outcomeId, String description);
    public native String getOutcomeLabel(int nodeHandle, int outcomeIndex);
    public native String getOutcomeLabel(String nodeId, int outcomeIndex);
    public native String getOutcomeLabel(int nodeHandle, String outcomeId);
    public native String getOutcomeLabel(String nodeId, String outcomeId);
    public native void setOutcomeLabel(int nodeHandle, int outcomeIndex, String label);
    public native void setOutcomeLabel(String nodeId, int outcomeIndex, String label);
    public native void setOutcomeLabel(int nodeHandle, String outcomeId, String label);
    public native void setOutcomeLabel(String nodeId, String outcomeId, String label);
    public native boolean isFaultOutcome(int nodeHandle, int outcomeIndex);
    public native boolean isFaultOutcome(String nodeId, int outcomeIndex);
    public native boolean isFaultOutcome(int nodeHandle, String outcomeId);
    public native boolean isFaultOutcome(String nodeId, String outcomeId);
    public native void setFaultOutcome(int nodeHandle, int outcomeIndex, boolean fault);
    public native void setFaultOutcome(String nodeId, int outcomeIndex, boolean fault);
    public native void setFaultOutcome(int nodeHandle, String outcomeId, boolean fault);
    public native void setFaultOutcome(String nodeId, String outcomeId, boolean fault);

    // Dynamic networks.
    public native int getSliceCount();
    public native void setSliceCount(int sliceCount);
    public native int getMaxTemporalOrder();
    public native UnrollResults unroll();
    public native int getNodeTemporalType(int nodeHandle);
    public native int getNodeTemporalType(String nodeId);
    public native void setNodeTemporalType(int nodeHandle, int temporalType);
    public native void setNodeTemporalType(String nodeId, int temporalType);
    public native void addTemporalArc(int parentHandle, int childHandle, int order);
    public native void addTemporalArc(String parentId, String childId, int order);
    public native void deleteTemporalArc(int parentHandle, int childHandle, int order);
    public native void deleteTemporalArc(String parentId, String childId, int order);
    public native boolean temporalArcExists(int parentHandle, int childHandle, int order);
    public native boolean temporalArcExists(String parentId, String childId, int order);
    public native int getMaxNodeTemporalOrder(int nodeHandle);
    public native int getMaxNodeTemporalOrder(String nodeId);
    public native int[] getTemporalOrders(int nodeHandle);
    public native int[] getTemporalOrders(String nodeId);
    public native TemporalInfo[] getTemporalParents(int nodeHandle, int order);
    public native TemporalInfo[] getTemporalParents(String nodeId, int order);
    public native TemporalInfo[] getTemporalChildren(int nodeHandle);
    public native TemporalInfo[] getTemporalChildren(String nodeId);
    public native TemporalInfo[] getUnrolledParents(int nodeHandle, int order);
    public native TemporalInfo[] getUnrolledParents(int nodeHandle);
    public native TemporalInfo[] getUnrolledParents(String nodeId, int order);
    public native TemporalInfo[] getUnrolledParents(String nodeId);
    public native boolean hasTemporalEvidence(int nodeHandle);
    public native boolean hasTemporalEvidence(String nodeId);
    public native boolean isTemporalEvidence(int nodeHandle, int slice);
    public native boolean isTemporalEvidence(String nodeId, int slice);
    public native int getTemporalEvidence(int nodeHandle, int slice);
    public native int getTemporalEvidence(String nodeId, int slice);
    public native String getTemporalEvidenceId(int nodeHandle, int slice);
    public native String getTemporalEvidenceId(String nodeId, int slice);
    public native void setTemporalEvidence(int nodeHandle, int slice, int outcomeIndex);
    public native void setTemporalEvidence(String nodeId, int slice, int outcomeIndex);
    public native void setTemporalEvidence(int nodeHandle, int slice, String outcomeId);
    public native void setTemporalEvidence(String nodeId, int slice, String outcomeId);
    public native void clearTemporalEvidence(int nodeHandle, int slice);
    public native void clearTemporalEvidence(String nodeId, int slice);
    public native double[] getNodeTemporalDefinition(int nodeHandle, int order);
    public native double[] getNodeTemporalDefinition(String nodeId, int order);
    public native void setNodeTemporalDefinition(int nodeHandle, int order, double[] definition);
    public native void setNodeTemporalDefinition(String nodeId, int order, double[] definition);
    public native int[][] getNoisyTemporalParentStrengths(int nodeHandle, int order);
    public native int[][] getNoisyTemporalParentStrengths(String nodeId, int order);
    public native void setNoisyTemporalParentStrengths(int nodeHandle, int order, int[][] strengths);
    public native void setNoisyTemporalParentStrengths(String nodeId, int order, int[][] strengths);
}
