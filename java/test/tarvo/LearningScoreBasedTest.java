package tarvo;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Random;
import java.util.Set;
import tarvo.learning.BkArcInfo;
import tarvo.learning.BkKnowledge;
import tarvo.learning.BkTierInfo;
import tarvo.learning.DataSet;
import tarvo.learning.GreedyThickThinning;
import tarvo.learning.LearningProgress;
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

    /** Notes every report and answers false on the given call (0: never). */
    private static final class Listener implements LearningProgress {
        final List<Double> fractions = new ArrayList<>();
        final Set<String> steps = new HashSet<>();
        private final int stopAt;

        Listener(int stopAt) {
            this.stopAt = stopAt;
        }

        @Override
        public boolean update(double fraction, String step) {
            fractions.add(fraction);
            steps.add(step);
            return fractions.size() != stopAt;
        }

        void checkRisesToOne() {
            Check.isTrue(fractions.size() >= 4, "several reports: " + fractions);
            for (int i = 1; i < fractions.size(); i++) {
                Check.isTrue(fractions.get(i) >= fractions.get(i - 1), "fractions rise: " + fractions);
            }
            Check.isTrue(Math.abs(fractions.get(fractions.size() - 1) - 1.0) < 1e-9, "ends at 1: " + fractions);
        }
    }

    public void testProgressAndCancel() {
        DataSet data = new DataSet();
        GreedyThickThinning gtt = new GreedyThickThinning();
        NaiveBayes nb = new NaiveBayes();
        try {
            data.readFile(chainFile(500), null, -1, Float.NaN, true);
            Listener seen = new Listener(0);
            gtt.learn(data, seen).dispose();
            seen.checkRisesToOne();
            Check.isTrue(seen.steps.containsAll(Arrays.asList("Greedy thick thinning", "Thickening", "Greedy step",
                    "Thinning")), "step texts: " + seen.steps);
            // The third answer cancels; the learner stays usable.
            Listener cancelling = new Listener(3);
            Check.equal("TARVO error -2213908 in function Learn", message(() -> gtt.learn(data, cancelling)));
            Check.equal(3, cancelling.fractions.size());
            Network learnt = gtt.learn(data, null);
            Check.equal(2, learnt.getParentIds("b").length + learnt.getParentIds("c").length
                    + learnt.getParentIds("a").length);
            learnt.dispose();
            nb.setClassVariableId("b");
            seen = new Listener(0);
            nb.learn(data, seen).dispose();
            seen.checkRisesToOne();
            Check.isTrue(seen.steps.contains("Naive Bayes"), "step texts: " + seen.steps);
            Check.equal("TARVO error -2213908 in function Learn", message(() -> nb.learn(data, new Listener(3))));
            // A listener's own exception stops the run and reaches the caller unchanged.
            IllegalStateException thrown = Check.raises(IllegalStateException.class, () -> nb.learn(data,
                    (fraction, step) -> {
                        throw new IllegalStateException("listener failed");
                    }));
            Check.equal("listener failed", thrown.getMessage());
            learnt = nb.learn(data);
            Check.equal(2, learnt.getChildIds("b").length);
            learnt.dispose();
        } finally {
            nb.dispose();
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
