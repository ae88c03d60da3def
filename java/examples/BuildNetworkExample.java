import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

import tarvo.DocItemInfo;
import tarvo.Network;
import tarvo.TARVOException;
import tarvo.UserProperty;

/**
 * Builds a small network call by call (nodes, outcomes, tables, positions, a submodel, documentation and
 * user properties), saves it in the XML format, reads it back into a second network and checks that both
 * give the same beliefs and carry the same descriptive data. Prints the beliefs and the outcome of the
 * comparison; exits with 1 when anything differs.
 *
 * <pre>
 * java -Djava.library.path=LIBDIR -cp vovido.jar:vovido-build-example.jar BuildNetworkExample FILE.xvrx
 * </pre>
 */
public final class BuildNetworkExample {
    private static final int CPT = 0x12;

    private BuildNetworkExample() {
    }

    public static void main(String[] args) {
        if (args.length != 1) {
            System.err.println("usage: BuildNetworkExample FILE.xvrx");
            System.exit(2);
        }
        int status = 0;
        Network built = new Network();
        Network read = new Network();
        try {
            build(built);
            built.writeFile(args[0]);
            read.readFile(args[0]);
            built.setEvidence("WetGrass", "wet");
            read.setEvidence("WetGrass", "wet");
            built.updateBeliefs();
            read.updateBeliefs();
            List<String> differences = compare(built, read);
            for (int node = read.getFirstNode(); node >= 0; node = read.getNextNode(node)) {
                System.out.println(beliefLine(read, node));
            }
            if (differences.isEmpty()) {
                System.out.println(
                        "Read back: same beliefs, positions, submodels, documentation and properties");
            } else {
                differences.forEach(d -> System.out.println("Differs: " + d));
                status = 1;
            }
        } catch (TARVOException e) {
            System.err.println("BuildNetworkExample: " + e.getMessage());
            status = 1;
        } finally {
            built.dispose();
            read.dispose();
        }
        System.exit(status);
    }

    /** Rain -> Sprinkler, both -> WetGrass; the sprinkler and the grass are drawn in a submodel. */
    private static void build(Network net) {
        net.setId("Garden");
        net.setName("A garden in the morning");
        net.setUserProperties(new UserProperty[] {new UserProperty("Author", "vovido example")});

        int rain = addNode(net, "Rain", "yes", "no");
        int sprinkler = addNode(net, "Sprinkler", "on", "off");
        int grass = addNode(net, "WetGrass", "wet", "dry");
        net.addArc(rain, sprinkler);
        net.addArc(rain, grass);
        net.addArc(sprinkler, grass);
        net.setNodeDefinition(rain, new double[] {0.2, 0.8});
        net.setNodeDefinition(sprinkler, new double[] {0.01, 0.99, 0.4, 0.6});
        // Rows by (Rain, Sprinkler): yes/on, yes/off, no/on, no/off.
        net.setNodeDefinition(grass, new double[] {0.99, 0.01, 0.8, 0.2, 0.9, 0.1, 0.0, 1.0});

        int lawn = net.addSubmodel(net.getMainSubmodel(), "Lawn");
        net.setSubmodelName(lawn, "The lawn");
        net.setSubmodelPosition(lawn, 300, 40, 120, 60);
        net.setSubmodelOfNode(lawn, sprinkler);
        net.setSubmodelOfNode(lawn, grass);
        net.setNodePosition(rain, 40, 40, 80, 36);
        net.setNodePosition(sprinkler, 20, 140, 90, 36);
        net.setNodePosition(grass, 160, 140, 90, 36);

        net.setNodeDocumentation(grass, new DocItemInfo[] {new DocItemInfo("Lawn care", "docs/lawn.html")});
        net.setOutcomeDocumentation(grass, "wet",
                new DocItemInfo[] {new DocItemInfo("Dew", "docs/dew.html")});
        net.setNodeUserProperties(sprinkler, new UserProperty[] {new UserProperty("Schedule", "06:00")});
    }

    private static int addNode(Network net, String id, String first, String second) {
        int node = net.addNode(CPT, id);
        net.setOutcomeId(node, 0, first);
        net.setOutcomeId(node, 1, second);
        return node;
    }

    private static List<String> compare(Network a, Network b) {
        List<String> differences = new ArrayList<>();
        check(differences, "network properties", text(a.getUserProperties()), text(b.getUserProperties()));
        check(differences, "network name", a.getName(), b.getName());
        for (String id : a.getAllNodeIds()) {
            double[] beliefsA = a.getNodeValue(id);
            double[] beliefsB = b.getNodeValue(id);
            for (int i = 0; i < beliefsA.length; i++) {
                if (beliefsB.length != beliefsA.length || Math.abs(beliefsA[i] - beliefsB[i]) > 1e-12) {
                    differences.add(id + " beliefs");
                    break;
                }
            }
            check(differences, id + " position", a.getNodePosition(id), b.getNodePosition(id));
            check(differences, id + " submodel", a.getSubmodelId(a.getSubmodelOfNode(id)),
                    b.getSubmodelId(b.getSubmodelOfNode(id)));
            check(differences, id + " properties", text(a.getNodeUserProperties(id)),
                    text(b.getNodeUserProperties(id)));
            check(differences, id + " documentation", text(a.getNodeDocumentation(id)),
                    text(b.getNodeDocumentation(id)));
            for (String outcome : a.getOutcomeIds(id)) {
                check(differences, id + "." + outcome + " documentation",
                        text(a.getOutcomeDocumentation(id, outcome)),
                        text(b.getOutcomeDocumentation(id, outcome)));
            }
        }
        check(differences, "submodel name", a.getSubmodelName("Lawn"), b.getSubmodelName("Lawn"));
        check(differences, "submodel position", a.getSubmodelPosition("Lawn"), b.getSubmodelPosition("Lawn"));
        return differences;
    }

    private static void check(List<String> differences, String what, Object a, Object b) {
        if (a == null ? b != null : !a.equals(b)) {
            differences.add(what + ": " + a + " / " + b);
        }
    }

    private static String text(UserProperty[] properties) {
        StringBuilder out = new StringBuilder();
        for (UserProperty p : properties) {
            out.append(p.name).append('=').append(p.value).append(';');
        }
        return out.toString();
    }

    private static String text(DocItemInfo[] documents) {
        StringBuilder out = new StringBuilder();
        for (DocItemInfo d : documents) {
            out.append(d.title).append('@').append(d.path).append(';');
        }
        return out.toString();
    }

    private static String beliefLine(Network net, int node) {
        StringBuilder line = new StringBuilder(net.getNodeId(node));
        String[] outcomes = net.getOutcomeIds(node);
        double[] beliefs = net.getNodeValue(node);
        for (int i = 0; i < beliefs.length; i++) {
            line.append(' ').append(outcomes[i]).append('=');
            line.append(String.format(Locale.ROOT, "%.6f", beliefs[i]));
        }
        return line.toString();
    }
}
