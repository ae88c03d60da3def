package tarvo;

import java.util.ArrayList;
import java.util.List;

/** Natives of user properties and documentation. */
public class NetworkDocumentationTest {
    private static final int CPT = 0x12;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static List<String> pairs(UserProperty[] properties) {
        List<String> out = new ArrayList<>();
        for (UserProperty p : properties) {
            out.add(p.name + "=" + p.value);
        }
        return out;
    }

    private static List<String> pairs(DocItemInfo[] documents) {
        List<String> out = new ArrayList<>();
        for (DocItemInfo d : documents) {
            out.add(d.title + "@" + d.path);
        }
        return out;
    }

    private static UserProperty[] props(String... nameValues) {
        UserProperty[] out = new UserProperty[nameValues.length / 2];
        for (int i = 0; i < out.length; i++) {
            out[i] = new UserProperty(nameValues[2 * i], nameValues[2 * i + 1]);
        }
        return out;
    }

    public void testUserProperties() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.setUserProperties(props("Author", "me", "VRX_NOLEARN", "ALL"));
            net.setNodeUserProperties(a, props("Unit", "kg"));
            net.setNodeUserProperties("A", props("Unit", "g", "Scale", ""));
            Check.equal(List.of("Author=me", "VRX_NOLEARN=ALL"), pairs(net.getUserProperties()));
            Check.equal(List.of("Unit=g", "Scale="), pairs(net.getNodeUserProperties(a)));
            // Every refusal leaves the properties as they were.
            Check.equal("Duplicate property name: Unit",
                    message(() -> net.setNodeUserProperties(a, props("Unit", "1", "Unit", "2"))));
            Check.equal("Properties array element name can't be null (index 1)",
                    message(() -> net.setUserProperties(new UserProperty[] {props("X", "1")[0], null})));
            Check.equal("Property name [1st] is not an identifier (a letter, then letters, digits or '_'): "
                    + "Can't add property (1st,v), error code: -2",
                    message(() -> net.setUserProperties(props("1st", "v"))));
            Check.equal(List.of("Author=me", "VRX_NOLEARN=ALL"), pairs(net.getUserProperties()));
            Check.equal(List.of("Unit=g", "Scale="), pairs(net.getNodeUserProperties("A")));
            net.setUserProperties(new UserProperty[0]);
            Check.equal(0, net.getUserProperties().length);
        } finally {
            net.dispose();
        }
    }

    public void testDocumentation() {
        Network net = new Network();
        try {
            int a = net.addNode(CPT, "A");
            net.addOutcome(a, "high");
            DocItemInfo manual = new DocItemInfo("Manual", "docs/manual.pdf");
            DocItemInfo site = new DocItemInfo("Site", "https://example.org/a");
            net.setNodeDocumentation(a, new DocItemInfo[] {manual, site});
            net.setOutcomeDocumentation(a, 2, new DocItemInfo[] {site});
            net.setOutcomeDocumentation("A", "State0", new DocItemInfo[] {manual});
            net.setOutcomeDocumentation(a, "State1", new DocItemInfo[0]);
            net.setOutcomeDocumentation("A", 1, new DocItemInfo[] {site, manual});
            Check.equal(List.of("Manual@docs/manual.pdf", "Site@https://example.org/a"),
                    pairs(net.getNodeDocumentation("A")));
            Check.equal(List.of("Manual@docs/manual.pdf"), pairs(net.getOutcomeDocumentation(a, 0)));
            Check.equal(List.of("Site@https://example.org/a", "Manual@docs/manual.pdf"),
                    pairs(net.getOutcomeDocumentation("A", "State1")));
            Check.equal(List.of("Site@https://example.org/a"), pairs(net.getOutcomeDocumentation(a, "high")));
            Check.equal(1, net.getOutcomeDocumentation("A", 2).length);

            Check.equal("Invalid outcome index 3 for node 'A', valid indices are 0..2",
                    message(() -> net.getOutcomeDocumentation(a, 3)));
            Check.equal("Invalid outcome index -1 for node 'A', valid indices are 0..2",
                    message(() -> net.setOutcomeDocumentation("A", -1, new DocItemInfo[0])));
            Check.equal("Invalid outcome identifier 'low' for node 'A'",
                    message(() -> net.getOutcomeDocumentation("A", "low")));
            Check.equal("Invalid node id: B", message(() -> net.getOutcomeDocumentation("B", "low")));
            Check.equal("Array argument can't be null", message(() -> net.setNodeDocumentation(a, null)));
            // An array refused part-way leaves the documents as they were.
            Check.equal("Documentation array element name can't be null (index 1)",
                    message(() -> net.setNodeDocumentation(a, new DocItemInfo[] {site, null, manual})));
            Check.equal(List.of("Manual@docs/manual.pdf", "Site@https://example.org/a"),
                    pairs(net.getNodeDocumentation(a)));
            // Each outcome keeps its documents when an outcome before it goes.
            net.deleteOutcome(a, 0);
            Check.equal(2, net.getOutcomeDocumentation(a, 0).length);
            Check.equal(List.of("Site@https://example.org/a"), pairs(net.getOutcomeDocumentation(a, "high")));
        } finally {
            net.dispose();
        }
    }
}
