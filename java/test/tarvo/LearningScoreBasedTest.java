package tarvo;

import java.util.Arrays;
import java.util.Random;
import tarvo.learning.BkArcInfo;
import tarvo.learning.BkKnowledge;
import tarvo.learning.BkTierInfo;
import tarvo.learning.DataSet;
import tarvo.learning.GreedyThickThinning;
import tarvo.learning.NaiveBayes;

/** Greedy thick thinning and naive Bayes from Java: settings, knowledge, learning and refusals. */
public class LearningScoreBasedTest {
    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** A chain a -> b -> c of strongly tied binary variables. */
    private static String chainFile(int records) {
        Random random = new Random(3);
        StringBuilder text = new StringBuilder("a,b,c\n");
        for (int r = 0; r < records; r++) {
            boolean a = random.nextBoolean();
            boolean b = random.nextDouble() < (a ? 0.9 : 0.1);
            boolean c = random.nextDouble() < (b ? 0.85 : 0.15);
            text.append(a ? "yes" : "no").append(',').append(b ? "yes" : "no").append(',')
                    .append(c ? "yes" : "no").append('\n');
        }
        return Fixtures.writeTemp(".txt", text.toString());
    }

    /** The tables of every node of the learnt network, in the order of the data set's columns. */
    private static String tables(Network learnt) {
        StringBuilder text = new StringBuilder();
        for (String id : new String[] {"a", "b", "c"}) {
            text.append(Arrays.toString(learnt.getParentIds(id)))
                    .append(Arrays.toString(learnt.getNodeDefinition(id)));
        }
        learnt.dispose();
        return text.toString();
    }

    /** A priors method other than 0 and 1 is kept and learns as 0 does. */
    public void testOtherPriorsMethodsLearnWithTheDefault() {
        DataSet data = new DataSet();
        GreedyThickThinning gtt = new GreedyThickThinning();
        NaiveBayes nb = new NaiveBayes();
        try {
            data.readFile(chainFile(300), null, -1, Float.NaN, true);
            nb.setClassVariableId("b");
            String gttDefault = tables(gtt.learn(data));
            String nbDefault = tables(nb.learn(data));
            for (int method : new int[] {2, 99, -1}) {
                gtt.setPriorsMethod(method);
                nb.setPriorsMethod(method);
                Check.equal(method, gtt.getPriorsMethod());
                Check.equal(method, nb.getPriorsMethod());
                Check.equal(gttDefault, tables(gtt.learn(data)));
                Check.equal(nbDefault, tables(nb.learn(data)));
            }
        } finally {
            gtt.dispose();
            nb.dispose();
            data.dispose();
        }
    }

    public void testGreedyThickThinning() {
        DataSet data = new DataSet();
        GreedyThickThinning gtt = new GreedyThickThinning();
        try {
            Check.equal(0, gtt.getPriorsMethod());
            Check.equal(5, gtt.getMaxParents());
            Check.equal(1.0, gtt.getNetWeight());
            BkKnowledge empty = gtt.getBkKnowledge();
            Check.equal(0, empty.forcedArcs.length + empty.forbiddenArcs.length + empty.tiers.length);
            data.readFile(chainFile(1000), null, -1, Float.NaN, true);
            Network learnt = gtt.learn(data);
            Check.equal(2, learnt.getParentIds("b").length + learnt.getParentIds("c").length
                    + learnt.getParentIds("a").length);
            learnt.dispose();
            // Tiers c, b, a: the arcs point from c towards a.
            gtt.setPriorsMethod(1);
            gtt.setNetWeight(2.0);
            gtt.setMaxParents(3);
            gtt.setBkKnowledge(new BkKnowledge(null, new BkArcInfo[] {new BkArcInfo(0, 2)},
                    new BkTierInfo[] {new BkTierInfo(2, 0), new BkTierInfo(1, 1), new BkTierInfo(0, 2)}));
            Check.equal(1, gtt.getPriorsMethod());
            Check.equal(3, gtt.getMaxParents());
            Check.equal(2.0, gtt.getNetWeight());
            learnt = gtt.learn(data);
            Check.equal(Arrays.asList("b"), Arrays.asList(learnt.getParentIds("a")));
            Check.equal(Arrays.asList("c"), Arrays.asList(learnt.getParentIds("b")));
            Check.equal(Arrays.asList("no", "yes"), Arrays.asList(learnt.getOutcomeIds("a")));  // the data set's order
            learnt.dispose();
            Check.equal("Object argument can't be null", message(() -> gtt.setBkKnowledge(null)));
        } finally {
            gtt.dispose();
            data.dispose();
        }
    }

    public void testNaiveBayes() {
        DataSet data = new DataSet();
        NaiveBayes nb = new NaiveBayes();
        try {
            Check.equal(0, nb.getPriorsMethod());
            Check.isTrue(!nb.getFeatureSelection(), "no feature selection by default");
            Check.equal("class", nb.getClassVariableId());
            Check.equal(1.0, nb.getNetWeight());
            data.readFile(chainFile(500), null, -1, Float.NaN, true);
            Check.equal("TARVO error -1 in function Learn. Logged information: "
                    + "naive bayes: the data set has no variable named class\n", message(() -> nb.learn(data)));
            nb.setClassVariableId("b");
            nb.setFeatureSelection(true);
            nb.setNetWeight(3.0);
            nb.setPriorsMethod(1);
            Check.equal("b", nb.getClassVariableId());
            Check.isTrue(nb.getFeatureSelection(), "feature selection set");
            Network learnt = nb.learn(data);
            Check.equal(Arrays.asList("b"), Arrays.asList(learnt.getParentIds("a")));
            Check.equal(Arrays.asList("b"), Arrays.asList(learnt.getParentIds("c")));
            Check.equal(0, learnt.getParentIds("b").length);
            learnt.dispose();
        } finally {
            nb.dispose();
            data.dispose();
        }
    }
}
